#include "editor/sheettemplates.h"

#include "code/qstringprint.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

QString templatesFixture()
{
    return test::fixture(QStringLiteral("editor/templates"));
}

const SheetTemplate* find(const QList<SheetTemplate>& sheets, const QString& reference)
{
    for (const SheetTemplate& s : sheets)
        if (s.reference() == reference)
            return &s;
    return nullptr;
}

TEST(SheetTemplates, LengthsInEveryUnit)
{
    const struct
    {
        const char* text;
        double mm;
    } cases[] = {
        {"17.8mm", 17.8},           {"2cm", 20.0},  {"0.5in", 12.7}, {"72pt", 25.4}, {"72", 25.4}, {"0 pt", 0.0},
        {" 1pc ", 4.2333333333333}, {".5in", 12.7}, {"-3mm", -3.0}};
    for (const auto& c : cases) {
        const auto mm = templateLengthMm(QString::fromLatin1(c.text));
        ASSERT_TRUE(mm.has_value()) << c.text;
        EXPECT_NEAR(*mm, c.mm, 1e-9) << c.text;
    }
    for (const char* bad : {"", "mm", "abc", "5furlong", "1,5mm", "1.2.3mm", "nan", "inf"})
        EXPECT_FALSE(templateLengthMm(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(SheetTemplates, ReadsTheSheetsItCanDescribeSortedAndSkipsTheRest)
{
    const QList<SheetTemplate> sheets = readSheetTemplates(templatesFixture());
    QStringList references;
    for (const SheetTemplate& s : sheets)
        references << s.reference();
    // round labels, two layouts, an unknown paper, unreadable or overlapping sizes, no columns, an
    // equivalent of nothing (or of another brand's sheet) and the malformed file are all left out
    EXPECT_EQ(references,
              QStringList({QStringLiteral("Acme R100"), QStringLiteral("Acme R200"), QStringLiteral("Acme R201"),
                           QStringLiteral("Acme R300"), QStringLiteral("Acme R1000"), QStringLiteral("Bravo 9")}));
}

// The page fields a sheet fills, written with the French decimal comma.
TEST(SheetTemplates, FillsThePageFields)
{
    const QList<SheetTemplate> sheets = readSheetTemplates(templatesFixture());
    struct Expected
    {
        const char* reference;
        FormatTexts f;
    };
    auto fields = [](const char* ref, const char* w, const char* h, const char* rows, const char* cols,
                     const char* left, const char* right, const char* top, const char* bottom, const char* lw,
                     const char* lh, const char* radius, const char* gapH, const char* gapV) {
        FormatTexts f;
        f.Reference = QString::fromUtf8(ref);
        f.Largeur = QString::fromUtf8(w);
        f.Hauteur = QString::fromUtf8(h);
        f.Ligne = QString::fromUtf8(rows);
        f.Colonne = QString::fromUtf8(cols);
        f.MargeGauche = QString::fromUtf8(left);
        f.MargeDroite = QString::fromUtf8(right);
        f.MargeHaute = QString::fromUtf8(top);
        f.MargeBasse = QString::fromUtf8(bottom);
        f.LargeurEtiquette = QString::fromUtf8(lw);
        f.HauteurEtiquette = QString::fromUtf8(lh);
        f.EtiquetteHorizontalRadius = QString::fromUtf8(radius);
        f.EtiquetteVerticalRadius = QString::fromUtf8(radius);
        f.EcartHorizontal = QString::fromUtf8(gapH);
        f.EcartVertical = QString::fromUtf8(gapV);
        return f;
    };
    const FormatTexts expected[] = {
        fields("Acme R100", "210", "297", "7", "3", "7,2", "7,3", "15,15", "15,15", "63,5", "38,1", "2,5", "2,5", "0"),
        // inches and points; rows 30,48 mm apart
        fields("Acme R200", "127", "152,4", "4", "2", "12,7", "12,7", "12,7", "22,86", "50,8", "25,4", "0", "0",
               "5,08"),
        // the equivalent takes the geometry under its own part number
        fields("Acme R201", "127", "152,4", "4", "2", "12,7", "12,7", "12,7", "22,86", "50,8", "25,4", "0", "0",
               "5,08"),
        // a single column has no gap although dx is 0
        fields("Acme R300", "148", "210", "3", "1", "24", "24", "30", "20", "100", "50", "2,54", "0", "5"),
        fields("Acme R1000", "210", "297", "7", "3", "7,2", "7,3", "15,15", "15,15", "63,5", "38,1", "2,5", "2,5", "0"),
    };
    for (const FormatTexts& e : expected) {
        const SheetTemplate* s = find(sheets, e.Reference);
        ASSERT_NE(s, nullptr) << qPrintable(e.Reference);
        const FormatTexts f = s->formatTexts();
        const QStringList got = {f.Reference,
                                 f.Largeur,
                                 f.Hauteur,
                                 f.Ligne,
                                 f.Colonne,
                                 f.MargeGauche,
                                 f.MargeDroite,
                                 f.MargeHaute,
                                 f.MargeBasse,
                                 f.LargeurEtiquette,
                                 f.HauteurEtiquette,
                                 f.EtiquetteHorizontalRadius,
                                 f.EtiquetteVerticalRadius,
                                 f.EcartHorizontal,
                                 f.EcartVertical};
        const QStringList want = {e.Reference,
                                  e.Largeur,
                                  e.Hauteur,
                                  e.Ligne,
                                  e.Colonne,
                                  e.MargeGauche,
                                  e.MargeDroite,
                                  e.MargeHaute,
                                  e.MargeBasse,
                                  e.LargeurEtiquette,
                                  e.HauteurEtiquette,
                                  e.EtiquetteHorizontalRadius,
                                  e.EtiquetteVerticalRadius,
                                  e.EcartHorizontal,
                                  e.EcartVertical};
        EXPECT_EQ(got, want) << qPrintable(e.Reference);
    }
    const SheetTemplate* colis = find(sheets, QStringLiteral("Acme R201"));
    ASSERT_NE(colis, nullptr);
    EXPECT_EQ(colis->description, QStringLiteral("Colis bis"));
    EXPECT_EQ(colis->displayText(), QStringLiteral("Acme R201 : Colis bis (50,8 x 25,4 mm, 2 x 4)"));
}

TEST(SheetTemplates, MissingOrEmptyFolderGivesNoSheets)
{
    QTemporaryDir empty;
    EXPECT_TRUE(readSheetTemplates(empty.path()).isEmpty());
    EXPECT_TRUE(readSheetTemplates(empty.path() + QStringLiteral("/none")).isEmpty());
}

// The database installed with the label programs, when there is one: bare numbers are points and
// equivalents resolve across the family.
TEST(SheetTemplates, InstalledDatabase)
{
    const QString folder = standardSheetFolder();
    if (folder.isEmpty())
        GTEST_SKIP() << "no label-sheet database installed";
    const QList<SheetTemplate> sheets = readSheetTemplates(folder);
    EXPECT_GT(sheets.size(), 500);
    const SheetTemplate* s = find(sheets, QStringLiteral("Avery L7160"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->columns, 3);
    EXPECT_EQ(s->rows, 7);
    EXPECT_NEAR(s->labelWidth, 181.4 * 25.4 / 72, 1e-9);
    EXPECT_EQ(s->formatTexts().Largeur, QStringLiteral("210"));
}

} // namespace
} // namespace pelorin
