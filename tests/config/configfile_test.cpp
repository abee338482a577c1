#include "config/configfile.h"

#include "base/error.h"
#include "config/mainsettings.h"
#include "base/paths.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace pelorin;

namespace {

using test::errorOf;

QString systemMessage(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

const QByteArray kDeclaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n";

// A configuration whose Form1 holds these settings, with no lists.
QByteArray form1File(const QByteArray& settings)
{
    return kDeclaration + "<Configuration>\r\n\t<Form1>\r\n" + settings + "\t</Form1>\r\n</Configuration>\r\n";
}

QByteArray goodSettings(const QByteArray& codeManu = "0", const QByteArray& modele = "Avery4x2.ETQ")
{
    return "\t\t<Haut>235</Haut>\r\n\t\t<Gauche>268</Gauche>\r\n\t\t<Largeur>831</Largeur>\r\n"
           "\t\t<Hauteur>586</Hauteur>\r\n\t\t<Eleve>Op\xE9rateur</Eleve>\r\n"
           "\t\t<Memo1>ligne 1\r\nligne 2</Memo1>\r\n\t\t<Modele>" +
           modele + "</Modele>\r\n\t\t<CodeManu>" + codeManu + "</CodeManu>\r\n";
}

// Records what reading the settings applied; the description is really loaded, so its failures
// are the loader's own.
class Recorder : public SettingsTarget
{
public:
    QStringList log;
    bool manual = false;

    void setTop(int v) override { log << QStringLiteral("top=%1").arg(v); }
    void setLeft(int v) override { log << QStringLiteral("left=%1").arg(v); }
    void setWidth(int v) override { log << QStringLiteral("width=%1").arg(v); }
    void setHeight(int v) override { log << QStringLiteral("height=%1").arg(v); }
    void setOperatorText(const QString& t) override { log << QStringLiteral("operator=") + t; }
    void setMemoText(const QString& t) override { log << QStringLiteral("memo=") + t; }
    void loadModel(const QString& path) override
    {
        XmlDocument doc;
        doc.loadFile(path);
        log << QStringLiteral("model=") + QFileInfo(path).fileName();
    }
    void setManualMode(bool on) override
    {
        manual = on;
        log << QStringLiteral("manual=%1").arg(on);
    }
};

class ConfigFileTest : public ::testing::Test
{
protected:
    void SetUp() override { DataFolder::setRoot(m_data.path()); }

    void writeConfig(const QByteArray& bytes) { m_data.write(QStringLiteral("Config/cfg.xml"), bytes); }
    QByteArray configBytes() const { return m_data.read(QStringLiteral("Config/cfg.xml")); }

    test::TempDataFolder m_data;
};

const QStringList kAllApplied = {QStringLiteral("top=235"),
                                 QStringLiteral("left=268"),
                                 QStringLiteral("width=831"),
                                 QStringLiteral("height=586"),
                                 QStringLiteral("operator=Opérateur"),
                                 QStringLiteral("memo=ligne 1\nligne 2"),
                                 QStringLiteral("model=Avery4x2.ETQ"),
                                 QStringLiteral("manual=0")};

} // namespace

// Each setting is applied as read; reading stops at the first that fails, with its message.
TEST_F(ConfigFileTest, LireConfigStopsAtTheFailingSetting)
{
    struct Case
    {
        QByteArray from, to; // replaced in the good settings
        qsizetype applied;   // how many of the eight were applied
        QString message;     // empty: no failure
    };
    const Case cases[] = {
        {"", "", 8, QString()},
        {"<Haut>235</Haut>", "<Haut>abc</Haut>", 0, QStringLiteral("'abc' is not a valid integer value")},
        {"<Gauche>268</Gauche>", "<Gauche>12,5</Gauche>", 1, QStringLiteral("'12,5' is not a valid integer value")},
        {"\t\t<Largeur>831</Largeur>\r\n", "", 2, QStringLiteral("'' is not a valid integer value")},
        {"<Hauteur>586</Hauteur>", "<Hauteur/>", 3, QStringLiteral("'' is not a valid integer value")},
        {"<Modele>Avery4x2.ETQ</Modele>", "<Modele>Absent.ETQ</Modele>", 6, systemMessage(ENOENT)},
        {"<Modele>Avery4x2.ETQ</Modele>", "<Modele></Modele>", 6, systemMessage(EISDIR)},
        {"<CodeManu>0</CodeManu>", "<CodeManu>oui</CodeManu>", 7, QStringLiteral("'oui' is not a valid boolean value")},
        {"\t\t<CodeManu>0</CodeManu>\r\n", "", 7, QStringLiteral("'' is not a valid boolean value")},
        // stored names from Windows differ in letter case
        {"<Modele>Avery4x2.ETQ</Modele>", "<Modele>AVERY4X2.etq</Modele>", 8, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to.toStdString());
        QByteArray settings = goodSettings();
        if (!c.from.isEmpty())
            settings.replace(c.from, c.to);
        writeConfig(form1File(settings));
        ConfigFile config;
        config.load();
        Recorder target;
        const QString message = errorOf([&] { config.LireConfig(target); });
        if (c.message.isEmpty())
            EXPECT_EQ(message, QString());
        else
            EXPECT_TRUE(message.contains(c.message)) << qPrintable(message);
        ASSERT_EQ(target.log.size(), c.applied) << qPrintable(target.log.join(u' '));
        for (qsizetype i = 0; i < c.applied && i < 6; ++i)
            EXPECT_EQ(target.log[i], kAllApplied[i]);
    }
}

// CodeManu reads numbers and the words True/False in any case; it is always written back as -1 or 0.
TEST_F(ConfigFileTest, CodeManuReadAndWrittenBack)
{
    const std::pair<QByteArray, bool> cases[] = {{"True", true}, {"false", false}, {"1", true},
                                                 {"0", false},   {"-1", true},     {"7", true}};
    for (const auto& [stored, on] : cases) {
        SCOPED_TRACE(stored.toStdString());
        writeConfig(form1File(goodSettings(stored)));
        ConfigFile config;
        config.load();
        Recorder target;
        config.LireConfig(target);
        EXPECT_EQ(target.manual, on);

        config.SaveConfig(Form1Settings{235, 268, 831, 586, QStringLiteral("Opérateur"),
                                        QStringLiteral("ligne 1\nligne 2"), QStringLiteral("Avery4x2.ETQ"),
                                        target.manual});
        EXPECT_EQ(configBytes(), form1File(goodSettings(on ? "-1" : "0")));
    }
}

// SaveConfig writes every setting (missing ones created in order at the end of Form1), keeps only
// the bare name of the description, and reads back as written.
TEST_F(ConfigFileTest, SaveConfigWritesTheSettings)
{
    writeConfig(kDeclaration + "<Configuration>\r\n\t<Form1>\r\n\t\t<Modele>Ancien.ETQ</Modele>\r\n\t</Form1>\r\n"
                               "</Configuration>\r\n");
    ConfigFile config;
    config.load();
    const Form1Settings s{-20,
                          1300,
                          900,
                          640,
                          QStringLiteral("Zoé & Œdipe €"),
                          QStringLiteral("Première ligne\nSeconde"),
                          QStringLiteral("/media/cle/Etiquettes/Planche65.ETQ"),
                          true};
    config.SaveConfig(s);
    EXPECT_EQ(configBytes(), kDeclaration + "<Configuration>\r\n\t<Form1>\r\n"
                                            "\t\t<Modele>Planche65.ETQ</Modele>\r\n"
                                            "\t\t<Haut>-20</Haut>\r\n"
                                            "\t\t<Gauche>1300</Gauche>\r\n"
                                            "\t\t<Largeur>900</Largeur>\r\n"
                                            "\t\t<Hauteur>640</Hauteur>\r\n"
                                            "\t\t<Eleve>Zo\xE9 &amp; &#338;dipe &#8364;</Eleve>\r\n"
                                            "\t\t<Memo1>Premi\xE8re ligne\r\nSeconde</Memo1>\r\n"
                                            "\t\t<CodeManu>-1</CodeManu>\r\n"
                                            "\t</Form1>\r\n</Configuration>\r\n");

    ConfigFile again;
    again.load();
    Recorder target;
    again.LireConfig(target);
    EXPECT_EQ(target.log,
              (QStringList{QStringLiteral("top=-20"), QStringLiteral("left=1300"), QStringLiteral("width=900"),
                           QStringLiteral("height=640"), QStringLiteral("operator=Zoé & Œdipe €"),
                           QStringLiteral("memo=Première ligne\nSeconde"), QStringLiteral("model=Planche65.ETQ"),
                           QStringLiteral("manual=1")}));

    // a Windows path keeps only its file name too
    config.SaveConfig(Form1Settings{0, 0, 1, 1, {}, {}, QStringLiteral("C:\\Etiquettes\\Avery4x2.ETQ"), false});
    EXPECT_TRUE(configBytes().contains("\t\t<Modele>Avery4x2.ETQ</Modele>\r\n"));
    EXPECT_TRUE(configBytes().contains("\t\t<Eleve/>\r\n"));
}

// A file with Form1 and no lists reads three empty lists and holds them, empty, at its next save.
TEST_F(ConfigFileTest, MissingListsReadEmptyAndAreSaved)
{
    writeConfig(form1File(goodSettings()));
    ConfigFile config;
    config.load();
    EXPECT_TRUE(config.names(RefList::Systemes).isEmpty());
    EXPECT_TRUE(config.names(RefList::Lieux).isEmpty());
    EXPECT_TRUE(config.names(RefList::Parfums).isEmpty());
    EXPECT_EQ(errorOf([&] { config.systemCode(0); }), QStringLiteral("List index out of bounds (0)"));
    config.save();
    EXPECT_EQ(configBytes(), kDeclaration + "<Configuration>\r\n\t<Form1>\r\n" + goodSettings() +
                                 "\t</Form1>\r\n\t<Systemes/>\r\n\t<Lieux/>\r\n\t<Parfums/>\r\n</Configuration>\r\n");
}

// Lookups take the first match in document order and compare exactly; the fields they missed are
// held, created empty, by the next save.
TEST_F(ConfigFileTest, ListAccesses)
{
    writeConfig(kDeclaration + "<Configuration>\r\n"
                               "<Lieux><Ville><Nom>Anzin</Nom><Code>59410</Code><Logo>Anzin.bmp</Logo></Ville>"
                               "<Ville><Nom>Anzin</Nom><Code>59999</Code><Logo>Autre.bmp</Logo></Ville>"
                               "<Lieu><Nom>anzin</Nom><Code>59000</Code></Lieu></Lieux>\r\n"
                               "<Systemes><Systeme><Nom>Bougie</Nom><Code>B</Code></Systeme>"
                               "<Systeme><Nom>Bougie bis</Nom><Code>B</Code></Systeme>"
                               "<Systeme><Nom>Sans code</Nom></Systeme></Systemes>\r\n"
                               "<Parfums><Parfum><Nom>Lavande</Nom><Code>LAV</Code></Parfum>"
                               "<Parfum><Nom>Lavande</Nom><Code>LV2</Code></Parfum>"
                               "<Parfum><Nom>Th\xE9 vert</Nom><Code>THV</Code></Parfum></Parfums>\r\n"
                               "</Configuration>\r\n");
    ConfigFile config;
    EXPECT_EQ(errorOf([&] { config.names(RefList::Lieux); }), QStringLiteral("No active document"));
    EXPECT_EQ(errorOf([&] { config.nameByCode(RefList::Systemes, QStringLiteral("B")); }),
              QStringLiteral("No active document"));
    config.load();

    EXPECT_EQ(config.names(RefList::Lieux),
              (QStringList{QStringLiteral("Anzin"), QStringLiteral("Anzin"), QStringLiteral("anzin")}));
    EXPECT_EQ(config.names(RefList::Systemes),
              (QStringList{QStringLiteral("Bougie"), QStringLiteral("Bougie bis"), QStringLiteral("Sans code")}));

    EXPECT_EQ(config.systemCode(1), QStringLiteral("B"));
    EXPECT_EQ(config.systemCode(2), QString());
    EXPECT_EQ(errorOf([&] { config.systemCode(-1); }), QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(errorOf([&] { config.systemCode(3); }), QStringLiteral("List index out of bounds (3)"));

    const std::optional<Place> anzin = config.placeByName(QStringLiteral("Anzin"));
    ASSERT_TRUE(anzin);
    EXPECT_EQ(anzin->code, QStringLiteral("59410"));
    EXPECT_EQ(anzin->logo, QStringLiteral("Anzin.bmp"));
    ASSERT_TRUE(config.placeByName(QStringLiteral("anzin")));
    EXPECT_EQ(config.placeByName(QStringLiteral("anzin"))->logo, QString());
    EXPECT_FALSE(config.placeByName(QStringLiteral("ANZIN")));
    EXPECT_FALSE(config.placeByName(QStringLiteral("Anzin ")));

    EXPECT_EQ(config.perfumeCode(QStringLiteral("Lavande")), QStringLiteral("LAV"));
    EXPECT_EQ(config.perfumeCode(QStringLiteral("Thé vert")), QStringLiteral("THV"));
    EXPECT_FALSE(config.perfumeCode(QStringLiteral("lavande")));

    const std::tuple<RefList, const char*, QString> decoding[] = {
        {RefList::Systemes, "B", QStringLiteral("Bougie")},   {RefList::Systemes, "b", QStringLiteral("Erreur")},
        {RefList::Systemes, "", QStringLiteral("Sans code")}, {RefList::Lieux, "59999", QStringLiteral("Anzin")},
        {RefList::Lieux, "5941", QStringLiteral("Erreur")},   {RefList::Parfums, "LV2", QStringLiteral("Lavande")},
        {RefList::Parfums, "LAV ", QStringLiteral("Erreur")},
    };
    for (const auto& [list, code, name] : decoding)
        EXPECT_EQ(config.nameByCode(list, QString::fromLatin1(code)), name) << code;

    // the fields missed while looking up are created, empty, as the file is saved
    config.save();
    EXPECT_TRUE(configBytes().contains("<Systeme><Nom>Sans code</Nom>\r\n\t\t\t<Code/>\r\n\t\t</Systeme>"));
    EXPECT_TRUE(configBytes().contains("<Lieu><Nom>anzin</Nom><Code>59000</Code>\r\n\t\t\t<Logo/>\r\n\t\t</Lieu>"));
}

// Entries are appended as typed, nothing validated, and the file is saved at once with the settings
// as they were read.
TEST_F(ConfigFileTest, AddingEntries)
{
    const QByteArray start = kDeclaration +
                             "<Configuration>\r\n"
                             "\t<Systemes>\r\n"
                             "\t\t<Systeme>\r\n\t\t\t<Nom>Bougie</Nom>\r\n\t\t\t<Code>B</Code>\r\n\t\t</Systeme>\r\n"
                             "\t</Systemes>\r\n"
                             "\t<Lieux/>\r\n"
                             "\t<Form1>\r\n\t\t<Eleve>Op\xE9rateur</Eleve>\r\n\t</Form1>\r\n"
                             "</Configuration>\r\n";
    writeConfig(start);
    ConfigFile config;
    config.load();
    config.addSystem(QString(), QString());
    config.addPlace(QStringLiteral("Saint-Étienne"), QStringLiteral("42000 "), QStringLiteral("Logos\\SE.bmp"));
    config.addPerfume(QStringLiteral("Thé vert €"), QStringLiteral("THV"));
    config.addPerfume(QStringLiteral("Thé vert €"), QStringLiteral("THV"));
    config.addPerfume(QStringLiteral("<Rose> & Cie"), QStringLiteral("R"));
    EXPECT_EQ(configBytes(),
              kDeclaration +
                  "<Configuration>\r\n"
                  "\t<Systemes>\r\n"
                  "\t\t<Systeme>\r\n\t\t\t<Nom>Bougie</Nom>\r\n\t\t\t<Code>B</Code>\r\n\t\t</Systeme>\r\n"
                  "\t\t<Systeme>\r\n\t\t\t<Nom/>\r\n\t\t\t<Code/>\r\n\t\t</Systeme>\r\n"
                  "\t</Systemes>\r\n"
                  "\t<Lieux>\r\n"
                  "\t\t<Ville>\r\n\t\t\t<Nom>Saint-\xC9tienne</Nom>\r\n\t\t\t<Code>42000 </Code>\r\n"
                  "\t\t\t<Logo>Logos\\SE.bmp</Logo>\r\n\t\t</Ville>\r\n"
                  "\t</Lieux>\r\n"
                  "\t<Form1>\r\n\t\t<Eleve>Op\xE9rateur</Eleve>\r\n\t</Form1>\r\n"
                  "\t<Parfums>\r\n"
                  "\t\t<Parfum>\r\n\t\t\t<Nom>Th\xE9 vert &#8364;</Nom>\r\n\t\t\t<Code>THV</Code>\r\n\t\t</Parfum>\r\n"
                  "\t\t<Parfum>\r\n\t\t\t<Nom>Th\xE9 vert &#8364;</Nom>\r\n\t\t\t<Code>THV</Code>\r\n\t\t</Parfum>\r\n"
                  "\t\t<Parfum>\r\n\t\t\t<Nom>&lt;Rose&gt; &amp; Cie</Nom>\r\n\t\t\t<Code>R</Code>\r\n\t\t</Parfum>\r\n"
                  "\t</Parfums>\r\n"
                  "</Configuration>\r\n");
    // a place added now is found at once
    EXPECT_EQ(config.nameByCode(RefList::Lieux, QStringLiteral("42000 ")), QStringLiteral("Saint-Étienne"));
}

// One entry changed or removed: only its own texts or its own lines change, byte for byte; the entries
// after a removed one move up, and decoding follows at once.
TEST_F(ConfigFileTest, ChangingAndRemovingOneEntry)
{
    const QByteArray lavande =
        "\t\t<Parfum>\r\n\t\t\t<Nom>Lavande</Nom>\r\n\t\t\t<Code>LAV</Code>\r\n\t\t</Parfum>\r\n";
    const QByteArray rose = "\t\t<Parfum>\r\n\t\t\t<Nom>Rose</Nom>\r\n\t\t\t<Code>ROS</Code>\r\n\t\t</Parfum>\r\n";
    const QByteArray anzin = "\t\t<Ville>\r\n\t\t\t<Nom>Anzin</Nom>\r\n\t\t\t<Code>59410</Code>\r\n"
                             "\t\t\t<Logo>Anzin.bmp</Logo>\r\n\t\t</Ville>\r\n";
    auto file = [&](const QByteArray& places, const QByteArray& perfumes) {
        return kDeclaration + "<Configuration>\r\n\t<Lieux>\r\n" + places + "\t</Lieux>\r\n\t<Parfums>\r\n" + perfumes +
               "\t</Parfums>\r\n</Configuration>\r\n";
    };
    writeConfig(file(anzin, lavande + rose + lavande));
    ConfigFile config;
    config.load();

    config.changeEntry(RefList::Parfums, 2, QStringLiteral("Lavande fine"), QStringLiteral("LAF"));
    QByteArray fine = lavande;
    fine.replace("Lavande", "Lavande fine").replace("LAV", "LAF");
    EXPECT_EQ(configBytes(), file(anzin, lavande + rose + fine));
    EXPECT_EQ(config.nameByCode(RefList::Parfums, QStringLiteral("LAF")), QStringLiteral("Lavande fine"));

    // a place's logo changes only when given
    config.changeEntry(RefList::Lieux, 0, QStringLiteral("Anzin"), QStringLiteral("59411"));
    config.changeEntry(RefList::Lieux, 0, QStringLiteral("Anzin"), QStringLiteral("59411"), QStringLiteral("A.bmp"));
    QByteArray anzin2 = anzin;
    anzin2.replace("59410", "59411").replace("Anzin.bmp", "A.bmp");
    EXPECT_EQ(configBytes(), file(anzin2, lavande + rose + fine));
    EXPECT_EQ(config.placeLogo(0), QStringLiteral("A.bmp"));

    config.removeEntry(RefList::Parfums, 0);
    EXPECT_EQ(configBytes(), file(anzin2, rose + fine));
    EXPECT_EQ(config.nameByCode(RefList::Parfums, QStringLiteral("LAV")), QStringLiteral("Erreur"));
    config.removeEntry(RefList::Parfums, 1);
    config.removeEntry(RefList::Parfums, 0);
    config.removeEntry(RefList::Lieux, 0);
    EXPECT_EQ(configBytes(), file(QByteArray(), QByteArray()));
    // and the emptied lists take new entries on lines of their own
    config.addPerfume(QStringLiteral("Rose"), QStringLiteral("ROS"));
    EXPECT_EQ(configBytes(), file(QByteArray(), rose));

    for (int position : {-1, 1})
        EXPECT_EQ(errorOf([&] { config.removeEntry(RefList::Parfums, position); }),
                  QStringLiteral("List index out of bounds (%1)").arg(position));
    EXPECT_EQ(errorOf([&] { config.changeEntry(RefList::Systemes, 0, QString(), QString()); }),
              QStringLiteral("List index out of bounds (0)"));
    EXPECT_EQ(configBytes(), file(QByteArray(), rose));
}

// The reset content, byte for byte; it also recovers from a file that did not load, and the lists and
// settings come back by the node access rule.
TEST_F(ConfigFileTest, Reset)
{
    const QByteArray resetContent =
        kDeclaration + "<Configuration>\r\n\t<Systemes/>\r\n\t<Lieux/>\r\n</Configuration>\r\n";
    writeConfig("<Configuration><Systemes>"); // not well formed
    ConfigFile config;
    EXPECT_FALSE(errorOf([&] { config.load(); }).isEmpty());
    EXPECT_FALSE(config.isLoaded());
    config.reset();
    EXPECT_EQ(configBytes(), resetContent);

    config.load();
    EXPECT_TRUE(config.names(RefList::Parfums).isEmpty());
    config.SaveConfig(Form1Settings{1, 2, 3, 4, QStringLiteral("x"), QString(), QStringLiteral("Avery4x2.ETQ"), false});
    EXPECT_EQ(configBytes(), kDeclaration +
                                 "<Configuration>\r\n\t<Systemes/>\r\n\t<Lieux/>\r\n\t<Parfums/>\r\n"
                                 "\t<Form1>\r\n\t\t<Haut>1</Haut>\r\n\t\t<Gauche>2</Gauche>\r\n"
                                 "\t\t<Largeur>3</Largeur>\r\n\t\t<Hauteur>4</Hauteur>\r\n\t\t<Eleve>x</Eleve>\r\n"
                                 "\t\t<Memo1/>\r\n\t\t<Modele>Avery4x2.ETQ</Modele>\r\n"
                                 "\t\t<CodeManu>0</CodeManu>\r\n\t</Form1>\r\n</Configuration>\r\n");

    // a document declared UTF-8 with LF line ends becomes the ISO-8859-1, CR LF reset content
    writeConfig("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Configuration>\n\t<Form1/>\n</Configuration>\n");
    config.load();
    config.reset();
    EXPECT_EQ(configBytes(), resetContent);
}

// A failed save reports the system's message; the change stays in memory and the next save writes it.
TEST_F(ConfigFileTest, FailedSaveKeepsTheChangeInMemory)
{
    writeConfig(form1File(goodSettings()));
    ConfigFile config;
    config.load();
    const QString moved = m_data.file(QStringLiteral("Config.moved"));
    ASSERT_TRUE(QDir().rename(m_data.file(QStringLiteral("Config")), moved));
    const QString expected =
        QStringLiteral("Cannot create file \"%1\". %2").arg(ConfigFile::path(), systemMessage(ENOENT));

    EXPECT_EQ(errorOf([&] { config.addSystem(QStringLiteral("Savon"), QStringLiteral("S")); }), expected);
    EXPECT_EQ(errorOf([&] {
                  config.addPlace(QStringLiteral("Anzin"), QStringLiteral("59410"), QStringLiteral("Anzin.bmp"));
              }),
              expected);
    EXPECT_EQ(errorOf([&] { config.addPerfume(QStringLiteral("Lavande"), QStringLiteral("LAV")); }), expected);
    EXPECT_EQ(errorOf([&] { config.SaveConfig(Form1Settings{1, 2, 3, 4, {}, {}, {}, true}); }), expected);
    EXPECT_FALSE(QFileInfo::exists(m_data.file(QStringLiteral("Config"))));
    EXPECT_EQ(config.nameByCode(RefList::Systemes, QStringLiteral("S")), QStringLiteral("Savon"));
    EXPECT_EQ(config.perfumeCode(QStringLiteral("Lavande")), QStringLiteral("LAV"));

    ASSERT_TRUE(QDir().rename(moved, m_data.file(QStringLiteral("Config"))));
    // the old file was left as it was
    EXPECT_EQ(configBytes(), form1File(goodSettings()));
    config.save();
    ConfigFile again;
    again.load();
    EXPECT_EQ(again.names(RefList::Systemes), QStringList{QStringLiteral("Savon")});
    EXPECT_EQ(again.placeByName(QStringLiteral("Anzin"))->code, QStringLiteral("59410"));
    Recorder target;
    EXPECT_FALSE(errorOf([&] { again.LireConfig(target); }).isEmpty()); // Modele was written empty
    EXPECT_EQ(target.log.first(), QStringLiteral("top=1"));

    EXPECT_EQ(errorOf([&] { ConfigFile().SaveConfig(Form1Settings{}); }), QStringLiteral("No active document"));
}

// A run of the main window against files the program did not write (lists, entry fields and
// settings missing): what it asks of the configuration, in its order, and the files its list edit
// and its close write. The expected files were written by the program when every lookup still
// created what it missed; they must come out byte for byte the same.
TEST_F(ConfigFileTest, FilesWrittenAfterARunKeepTheirBytes)
{
    for (const char* name : {"empty", "form1-only", "sparse-entries"}) {
        SCOPED_TRACE(name);
        const auto runFile = [&](const char* suffix) {
            QFile f(
                test::fixture(QStringLiteral("config/runs/%1%2.xml").arg(QLatin1String(name), QLatin1String(suffix))));
            EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << qPrintable(f.fileName());
            return f.readAll();
        };
        writeConfig(runFile(""));
        ConfigFile config;
        MainSettings settings(config);
        settings.open();
        // start-up: the settings (these files stop the reading at a missing one), then the selection
        // lists and the first item of each
        EXPECT_FALSE(errorOf([&] { settings.read([](const QString&) {}); }).isEmpty());
        const QStringList places = config.names(RefList::Lieux);
        const QStringList systems = config.names(RefList::Systemes);
        const QStringList perfumes = config.names(RefList::Parfums);
        EXPECT_EQ(errorOf([&] { config.systemCode(0); }).isEmpty(), !systems.isEmpty());
        config.placeByName(places.value(0));
        config.perfumeCode(perfumes.value(0));
        // two scans decoded: system, perfume, then factory
        for (const auto& [system, perfume, factory] :
             {std::tuple("B", "LAV", "59300"), std::tuple("S", "ABC", "00000")}) {
            config.nameByCode(RefList::Systemes, QString::fromLatin1(system));
            config.nameByCode(RefList::Parfums, QString::fromLatin1(perfume));
            config.nameByCode(RefList::Lieux, QString::fromLatin1(factory));
        }
        config.addPerfume(QStringLiteral("Menthe"), QStringLiteral("MEN"));
        EXPECT_EQ(configBytes(), runFile(".edited"));

        config.placeByName(QStringLiteral("Aulnoy"));
        config.nameByCode(RefList::Lieux, QStringLiteral("99999"));
        MainSettings::Current now;
        now.geometry = QRect(10, 20, 800, 600);
        now.operatorText = QStringLiteral("Nuit");
        now.memoText = QStringLiteral("trois");
        now.model = QStringLiteral("/media/cle/Avery4x2.ETQ");
        settings.save(now);
        EXPECT_EQ(configBytes(), runFile(".closed"));
    }
}

// Looking up creates nothing: the document of a file lacking its lists and fields is the same after
// every lookup and decoding, and so is the file saved from it.
TEST_F(ConfigFileTest, LookupsLeaveTheDocumentAsItWas)
{
    const QByteArray sparse = kDeclaration + "<Configuration>\r\n\t<Systemes><Systeme><Nom>Bougie</Nom></Systeme>"
                                             "</Systemes>\r\n\t<Lieux><Ville/></Lieux>\r\n</Configuration>\r\n";
    writeConfig(sparse);
    ConfigFile loaded;
    loaded.load();
    const ConfigFile& config = loaded;
    EXPECT_EQ(config.names(RefList::Parfums), QStringList());
    EXPECT_EQ(config.systemCode(0), QString());
    EXPECT_EQ(config.placeByName(QString())->logo, QString());
    EXPECT_FALSE(config.perfumeCode(QStringLiteral("Lavande")));
    EXPECT_EQ(config.nameByCode(RefList::Systemes, QString()), QStringLiteral("Bougie"));
    EXPECT_EQ(config.nameByCode(RefList::Parfums, QStringLiteral("LAV")), QStringLiteral("Erreur"));
    EXPECT_EQ(config.savedText("Eleve"), QString());
    EXPECT_EQ(config.storedTexts().modele, QString());
    const pugi::xml_node root = config.document().documentElement();
    EXPECT_FALSE(root.child("Parfums"));
    EXPECT_FALSE(root.child("Form1"));
    EXPECT_FALSE(root.child("Systemes").first_child().child("Code"));
    EXPECT_EQ(config.document().toBytes(), sparse);
    EXPECT_EQ(configBytes(), sparse);

    // what was missed in a document since replaced goes with it: the next save writes the new one
    loaded.document().parseText(QStringLiteral("<Configuration><Lieux/></Configuration>"));
    const QByteArray replaced = config.document().toBytes();
    loaded.save();
    EXPECT_EQ(configBytes(), replaced);
    EXPECT_FALSE(replaced.contains("Parfums"));
}

// The shipped data folder: the sample configuration and descriptions load and are consistent.
TEST_F(ConfigFileTest, ShippedSampleData)
{
    const QByteArray shipped = configBytes();
    ConfigFile config;
    config.load();
    Recorder target;
    config.LireConfig(target);
    EXPECT_FALSE(target.manual);

    EXPECT_NE(config.nameByCode(RefList::Systemes, QStringLiteral("B")), QStringLiteral("Erreur"));
    EXPECT_NE(config.nameByCode(RefList::Systemes, QStringLiteral("S")), QStringLiteral("Erreur"));
    EXPECT_EQ(config.nameByCode(RefList::Parfums, QStringLiteral("LAV")), QStringLiteral("Lavande"));
    const std::optional<Place> anzin = config.placeByName(QStringLiteral("Anzin"));
    ASSERT_TRUE(anzin);
    EXPECT_EQ(anzin->logo, QStringLiteral("Anzin.bmp"));
    EXPECT_EQ(anzin->code.size(), 5);
    for (const QString& name : config.names(RefList::Lieux)) {
        const Place p = *config.placeByName(name);
        EXPECT_TRUE(QFileInfo::exists(DataFolder::path(QStringLiteral("Logos\\") + p.logo))) << qPrintable(p.logo);
        EXPECT_EQ(p.code.size(), 5) << qPrintable(name);
    }
    for (const QString& name : config.names(RefList::Parfums))
        EXPECT_EQ(config.perfumeCode(name)->size(), 3) << qPrintable(name);

    // the sample is written as this program writes it: a save changes no byte
    config.save();
    EXPECT_EQ(configBytes(), shipped);

    // every description is as the editor writes it: CR LF lines, no indentation, the Format elements
    // and each component's elements in the editor's order
    const QStringList format = {QStringLiteral("Reference"),
                                QStringLiteral("Largeur"),
                                QStringLiteral("Hauteur"),
                                QStringLiteral("Ligne"),
                                QStringLiteral("Colonne"),
                                QStringLiteral("MargeGauche"),
                                QStringLiteral("MargeDroite"),
                                QStringLiteral("MargeHaute"),
                                QStringLiteral("MargeBasse"),
                                QStringLiteral("LargeurEtiquette"),
                                QStringLiteral("HauteurEtiquette"),
                                QStringLiteral("EtiquetteVerticalRadius"),
                                QStringLiteral("EtiquetteHorizontalRadius"),
                                QStringLiteral("EcartHorizontal"),
                                QStringLiteral("EcartVertical")};
    const QHash<QString, QStringList> own = {
        {QStringLiteral("Rectangle"),
         {QStringLiteral("BorderWidth"), QStringLiteral("VRadius"), QStringLiteral("HRadius")}},
        {QStringLiteral("AutoTexte"), {QStringLiteral("Taille"), QStringLiteral("Rotation")}},
        {QStringLiteral("AutoIncTexte"), {QStringLiteral("Taille"), QStringLiteral("Rotation")}},
        {QStringLiteral("Texte"), {QStringLiteral("Text"), QStringLiteral("Taille"), QStringLiteral("Rotation")}},
        {QStringLiteral("AutoVersion"), {QStringLiteral("Taille"), QStringLiteral("Rotation")}},
        {QStringLiteral("AutoBarCode"), {QStringLiteral("Rotation"), QStringLiteral("Position")}},
        {QStringLiteral("AutoLogo"), {}},
        {QStringLiteral("AutoMemoTexte"), {QStringLiteral("Taille")}},
    };
    const QStringList models = QDir(DataFolder::path(QStringLiteral("Modeles"))).entryList({QStringLiteral("*.ETQ")});
    EXPECT_GE(models.size(), 2);
    for (const QString& model : models) {
        SCOPED_TRACE(model.toStdString());
        const QByteArray bytes = m_data.read(QStringLiteral("Modeles/") + model);
        EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Page>\r\n<Format>\r\n"));
        EXPECT_TRUE(bytes.endsWith("</Composant>\r\n</Composants>\r\n</Page>\r\n"));
        EXPECT_EQ(bytes.count('\n'), bytes.count("\r\n"));
        EXPECT_FALSE(bytes.contains("\n\t") || bytes.contains("\n "));
        XmlDocument doc;
        doc.loadFile(DataFolder::path(QStringLiteral("Modeles\\") + model));
        QStringList names;
        for (const pugi::xml_node& e : entries(find(doc.documentElement(), "Format")))
            names << QString::fromUtf8(e.name());
        EXPECT_EQ(names, format);
        for (const pugi::xml_node& c : entries(find(doc.documentElement(), "Composants"))) {
            const QString type = text(find(c, "Type"));
            ASSERT_TRUE(own.contains(type)) << qPrintable(type);
            QStringList elements;
            for (const pugi::xml_node& e : entries(c))
                elements << QString::fromUtf8(e.name());
            EXPECT_EQ(elements,
                      QStringList({QStringLiteral("Type"), QStringLiteral("Name"), QStringLiteral("Top"),
                                   QStringLiteral("Left"), QStringLiteral("Height"), QStringLiteral("Width")}) +
                          own[type]);
        }
    }
}
