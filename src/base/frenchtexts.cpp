#include "base/frenchtexts.h"

#include <cstring>

namespace pelorin {

namespace {

struct Text
{
    const char* context;
    const char* source;
    const char* french;
};

// The contexts are those of Qt's forms (uic names each after its form's class).
constexpr Text kTexts[] = {
    {"QPrintSettingsOutput", "Double Sided Printing", "Impression recto verso"},
    {"QPrintSettingsOutput", "Off", "Désactivée"},
    {"QPrintSettingsOutput", "Long side binding", "Reliure sur le bord long"},
    {"QPrintSettingsOutput", "Short side binding", "Reliure sur le bord court"},
    {"QPrintSettingsOutput", "Color Mode", "Mode de couleur"},
    {"QPrintSettingsOutput", "Color", "Couleur"},
    {"QPrintSettingsOutput", "Grayscale", "Niveaux de gris"},
    {"QPrintSettingsOutput", "Current Page", "Page courante"},
    {"QPrintSettingsOutput", "Selection", "Sélection"},
    {"QPrintSettingsOutput", "Collate", "Assembler"},
    {"QPrintSettingsOutput",
     "Specify pages or ranges separated by commas. Ranges are specified by two numbers separated by a hyphen. "
     "E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
     "Indiquez des pages ou des suites de pages séparées par des virgules ; une suite s'écrit avec deux numéros "
     "séparés par un trait d'union. Par exemple, 3,5-7,9 imprime les pages 3, 5, 6, 7 et 9."},
    {"QPrintPropertiesWidget", "Advanced", "Avancé"},
    {"QPrintPropertiesWidget", "There are conflicts in some options. Please fix them.",
     "Certaines options sont incompatibles entre elles : corrigez-les."},
};

} // namespace

QString FrenchComplement::translate(const char* context, const char* sourceText, const char*, int) const
{
    if (!context || !sourceText)
        return QString();
    for (const Text& t : kTexts)
        if (std::strcmp(t.context, context) == 0 && std::strcmp(t.source, sourceText) == 0)
            return QString::fromUtf8(t.french);
    return QString();
}

} // namespace pelorin
