#pragma once
#include <QString>
#include <QStringList>
#include <pugixml.hpp>

// Label page descriptions (.ETQ): a root `Page` holding `Format` (the sheet and its grid of labels)
// and `Composants` (what is drawn on every label). Reading goes through the XML layer's node access
// rule; writing is done as lines of text, the way the page editor builds a description.
namespace pelorin {

class XmlDocument;

// Millimetres per inch: description lengths are millimetres, the page model's are inches.
inline constexpr double kMillimetresPerInch = 25.4;

// The sheet format, lengths in inches.
struct TPage
{
    QString Reference;
    double Hauteur = 0.0, Largeur = 0.0;
    double MargeGauche = 0.0, MargeDroite = 0.0, MargeHaute = 0.0, MargeBasse = 0.0;
    int Ligne = 0, Colonne = 0;
    double EcartHorizontal = 0.0, EcartVertical = 0.0;
    double HauteurEtiquette = 0.0, LargeurEtiquette = 0.0;
    double EtiquetteVerticalRadius = 0.0, EtiquetteHorizontalRadius = 0.0;

    double columnPitch() const { return EcartHorizontal + LargeurEtiquette; }
    double rowPitch() const { return EcartVertical + HauteurEtiquette; }
};

// One component placed on one label: position on the page and size in inches, then the values of
// its type.
struct TCompEtq
{
    QString Type;
    QString Name;
    double Top = 0.0, Left = 0.0, Height = 0.0, Width = 0.0;
    double VRadius = 0.0, HRadius = 0.0;
    int BorderWidth = 0;
    QString Text;
    QString FileName;
    int Rotation = 0;
    int Taille = 0;
};

// `Page` / `Format`, created empty in memory when missing. Error("No active document") when no
// description is loaded.
pugi::xml_node formatNode(const XmlDocument& description);
// `Page` / `Composants`, created the same way.
pugi::xml_node componentsNode(const XmlDocument& description);
// The components: every child element of `Composants`, whatever its name.
int componentCount(const XmlDocument& description);
// The component at `index` (from 0); an empty node when there is none.
pugi::xml_node componentNode(const XmlDocument& description, int index);

// A decimal in millimetres, as inches; the runtime's message when it is no number (empty included).
double readInches(pugi::xml_node parent, const char* name);
// An integer element; the runtime's message when it is no integer.
int readInteger(pugi::xml_node parent, const char* name);
// A text element as it stands (empty when missing, then added in memory).
QString readText(pugi::xml_node parent, const char* name);

// Reads `Format` in a fixed order (Reference, Hauteur, Largeur, the four margins, Ligne, Colonne,
// the gaps, the label size, the radii), so that of several bad values the first in that order is
// the one reported.
TPage readFormat(const XmlDocument& description);

// A sheet holds at most this many labels: a mistyped count (40000 rows) is refused with a message
// instead of exhausting memory while the grid or the page is built.
inline constexpr qint64 kMaxLabels = 10000;
// Error("Trop d'étiquettes sur la page : <rows> x <columns> (au plus 10000).") above that.
void checkLabelCount(int rows, int columns);

// The eleven component types, in the editor's order.
const QStringList& componentTypes();

// The texts of the editor's "Nouvelle page" fields, as typed; the defaults are the fields' first
// texts.
struct FormatTexts
{
    QString Reference = QStringLiteral("Avery");
    QString Largeur = QStringLiteral("210");
    QString Hauteur = QStringLiteral("297");
    QString Ligne = QStringLiteral("4");
    QString Colonne = QStringLiteral("2");
    QString MargeGauche = QStringLiteral("5");
    QString MargeDroite = QStringLiteral("5");
    QString MargeHaute = QStringLiteral("10");
    QString MargeBasse = QStringLiteral("10");
    QString LargeurEtiquette = QStringLiteral("100");
    QString HauteurEtiquette = QStringLiteral("50");
    QString EtiquetteVerticalRadius = QStringLiteral("5");
    QString EtiquetteHorizontalRadius = QStringLiteral("5");
    QString EcartHorizontal = QStringLiteral("1");
    QString EcartVertical = QStringLiteral("1");
};

// The 22 lines of a new description: declaration, `Page`, `Format` with its fifteen elements,
// an empty `Composants`.
QStringList newDescriptionLines(const FormatTexts& fields);

// The texts of the editor's "Ajouter objets" fields for one component, as typed. Only the own
// fields of `Type` are written; the editor fills `Taille` of an "AutoVersion" from the Texte page.
struct ComponentTexts
{
    QString Type = QStringLiteral("Rectangle");
    QString Name = QStringLiteral("Objet");
    QString Top = QStringLiteral("10");
    QString Left = QStringLiteral("10");
    QString Height = QStringLiteral("10");
    QString Width = QStringLiteral("10");
    QString BorderWidth = QStringLiteral("1");
    QString VRadius = QStringLiteral("0");
    QString HRadius = QStringLiteral("0");
    QString Taille = QStringLiteral("8");
    QString Rotation = QStringLiteral("0");
    QString Text;
    QString Position = QStringLiteral("Left");
    QString FileName = QStringLiteral("Defaut.bmp");
};

// The block of a component, one element per line from `<Composant>` to `</Composant>`; a text
// holding line breaks spreads its element over several lines.
QStringList componentBlockLines(const ComponentTexts& fields);

// Inserts `block` just before the first line that is exactly "</Composants>"; false, and nothing
// changed, when no line is.
bool insertComponentBlock(QStringList& lines, const QStringList& block);

} // namespace pelorin
