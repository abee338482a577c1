#include "editor/sheettemplates.h"

#include "code/qstringprint.h"
#include "editor/sheetsearch.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
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

// A GNU message catalogue written as gettext writes one: a header of seven words, the table of the
// messages, the table of their translations, then the strings, each ended by a NUL.
QByteArray catalogueBytes(const QList<QPair<QByteArray, QByteArray>>& entries, bool bigEndian = false)
{
    QByteArray out;
    const auto word = [&](quint32 v) {
        uchar b[4];
        if (bigEndian)
            qToBigEndian(v, b);
        else
            qToLittleEndian(v, b);
        out.append(reinterpret_cast<const char*>(b), 4);
    };
    const quint32 n = quint32(entries.size());
    const quint32 originals = 28, translations = originals + 8 * n;
    quint32 at = translations + 8 * n;
    word(0x950412deu);
    word(0);
    word(n);
    word(originals);
    word(translations);
    word(0);
    word(at);
    QByteArray strings;
    for (int side = 0; side < 2; ++side)
        for (const auto& e : entries) {
            const QByteArray& text = side == 0 ? e.first : e.second;
            word(quint32(text.size()));
            word(at + quint32(strings.size()));
            strings += text + '\0';
        }
    return out + strings;
}

TEST(SheetTemplates, ReadsAMessageCatalogue)
{
    const QList<QPair<QByteArray, QByteArray>> entries = {
        {"", "Content-Type: text/plain; charset=UTF-8\n"},
        {"Address Labels", "\xc3\x89tiquettes d'adresses"},
        {QByteArray("label\0labels", 12), QByteArray("\xc3\xa9tiquette\0\xc3\xa9tiquettes", 22)},
        {QByteArray("sheet\x04"
                    "Round",
                    11),
         "Rond"},
        {"Untranslated", ""},
    };
    const MessageCatalogue expected = {{QStringLiteral("Address Labels"), QStringLiteral("Étiquettes d'adresses")},
                                       {QStringLiteral("label"), QStringLiteral("étiquette")},
                                       {QStringLiteral("sheet\x04Round"), QStringLiteral("Rond")}};
    QTemporaryDir dir;
    const QByteArray whole = catalogueBytes(entries);
    const struct
    {
        const char* name;
        QByteArray bytes;
        bool readable;
    } cases[] = {
        {"little-endian", whole, true},
        {"big-endian", catalogueBytes(entries, true), true},
        // a damaged file gives nothing rather than half of it
        {"cut short", whole.left(whole.size() - 20), false},
        {"another kind of file", QByteArray("GIF89a") + whole.mid(6), false},
        {"empty", QByteArray(), false},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".mo"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.bytes);
        f.close();
        EXPECT_EQ(readMessageCatalogue(path), c.readable ? expected : MessageCatalogue()) << c.name;
    }
    EXPECT_TRUE(readMessageCatalogue(dir.filePath(QStringLiteral("absent.mo"))).isEmpty());
}

// Descriptions in French where the translations have them, the English kept: a sheet is found by the
// words of either.
TEST(SheetTemplates, DescriptionsInFrenchFoundInBothLanguages)
{
    const QList<SheetTemplate> sheets =
        readSheetTemplates(templatesFixture(), {{QStringLiteral("Colis"), QStringLiteral("Paquets")}});
    const SheetTemplate* translated = find(sheets, QStringLiteral("Acme R200"));
    const SheetTemplate* untouched = find(sheets, QStringLiteral("Acme R201"));
    ASSERT_NE(translated, nullptr);
    ASSERT_NE(untouched, nullptr);
    EXPECT_EQ(translated->description, QStringLiteral("Paquets"));
    EXPECT_EQ(translated->originalDescription, QStringLiteral("Colis"));
    EXPECT_EQ(translated->displayText(), QStringLiteral("Acme R200 : Paquets (50,8 x 25,4 mm, 2 x 4)"));
    EXPECT_EQ(untouched->description, QStringLiteral("Colis bis"));
    for (const char* words : {"paquets", "colis", "R200 paquets"})
        EXPECT_TRUE(matches(*translated, {QString::fromLatin1(words), {}, {}})) << words;
    EXPECT_FALSE(matches(*untouched, {QStringLiteral("paquets"), {}, {}}));
}

// The translations Debian installs with the database, when they are there.
TEST(SheetTemplates, InstalledDatabaseInFrench)
{
    const QString folder = standardSheetFolder();
    const MessageCatalogue french = standardSheetTranslations();
    if (folder.isEmpty() || french.isEmpty())
        GTEST_SKIP() << "no label-sheet database or no French translations installed";
    const QList<SheetTemplate> sheets = readSheetTemplates(folder, french);
    const SheetTemplate* s = find(sheets, QStringLiteral("Avery L7160"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->originalDescription, QStringLiteral("Mailing labels"));
    EXPECT_EQ(s->description, QStringLiteral("Étiquettes de publipostage"));
    EXPECT_TRUE(matches(*s, {QStringLiteral("L7160 publipostage"), {}, {}}));
    EXPECT_TRUE(matches(*s, {QStringLiteral("L7160 mailing"), {}, {}}));
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
