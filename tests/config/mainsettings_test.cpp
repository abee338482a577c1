#include "config/mainsettings.h"

#include "base/error.h"
#include "base/paths.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

using test::errorOf;

const QByteArray kFile = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n"
                         "\t<Systemes>\r\n\t\t<Systeme>\r\n\t\t\t<Nom>Bougie</Nom>\r\n\t\t\t<Code>B</Code>\r\n"
                         "\t\t</Systeme>\r\n\t</Systemes>\r\n"
                         "\t<Form1>\r\n\t\t<Haut>40</Haut>\r\n\t\t<Gauche>30</Gauche>\r\n\t\t<Largeur>800</Largeur>\r\n"
                         "\t\t<Hauteur>560</Hauteur>\r\n\t\t<Eleve>Op\xE9rateur</Eleve>\r\n"
                         "\t\t<Memo1>un\r\ndeux</Memo1>\r\n\t\t<Modele>Test.ETQ</Modele>\r\n"
                         "\t\t<CodeManu>-1</CodeManu>\r\n\t</Form1>\r\n</Configuration>\r\n";

QByteArray setting(const QByteArray& config, const char* name)
{
    const QByteArray open = QByteArray("<") + name + '>';
    const qsizetype from = config.indexOf(open);
    if (from < 0)
        return "(absent)";
    return config.mid(from + open.size(), config.indexOf(QByteArray("</") + name + '>') - from - open.size());
}

class MainSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { DataFolder::setRoot(m_data.path()); }
    void write(const QByteArray& bytes) { m_data.write(QStringLiteral("Config/cfg.xml"), bytes); }
    QByteArray file() const { return m_data.read(QStringLiteral("Config/cfg.xml")); }

    test::TempDataFolder m_data;
    ConfigFile m_config;
    MainSettings m_settings{m_config};
    QStringList m_modelsLoaded;
    std::function<void(const QString&)> m_loadModel = [this](const QString& path) {
        m_modelsLoaded << QFileInfo(path).fileName();
    };
};

TEST_F(MainSettingsTest, readsEverySettingOfALoadedFile)
{
    write(kFile);
    m_settings.open();
    ASSERT_EQ(m_settings.state(), MainSettings::State::Loaded);
    m_settings.read(m_loadModel);
    const MainSettings::Values& v = m_settings.values();
    EXPECT_EQ(m_settings.geometry(QRect(1, 2, 3, 4)), QRect(30, 40, 800, 560));
    EXPECT_EQ(v.operatorText, QStringLiteral("Opérateur"));
    EXPECT_EQ(v.memoText, QStringLiteral("un\ndeux"));
    EXPECT_EQ(v.manual, true);
    EXPECT_EQ(m_modelsLoaded, QStringList{QStringLiteral("Test.ETQ")});
}

// Reading stops at the setting that fails; what came before stays, what comes after is unset, and
// closing keeps in the file the texts that reading never showed (unless typed) and the description
// that did not load.
TEST_F(MainSettingsTest, whatReadingNeverReachedIsKeptAtClose)
{
    struct Case
    {
        const char* name;
        QByteArray file;
        bool modelFails;
        bool operatorTyped;
        QByteArray eleve, memo, modele;
    };
    QByteArray badHeight = kFile;
    badHeight.replace("<Hauteur>560</Hauteur>", "<Hauteur>5a</Hauteur>");
    const Case cases[] = {
        {"bad height, nothing typed", badHeight, false, false, "Op\xE9rateur", "un\r\ndeux", "Now.ETQ"},
        {"bad height, operator typed", badHeight, false, true, "Nuit", "un\r\ndeux", "Now.ETQ"},
        {"description did not load", kFile, true, false, "Nuit", "trois", "Test.ETQ"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.file);
        ConfigFile config;
        MainSettings settings(config);
        settings.open();
        const QString error = errorOf([&] {
            settings.read([&](const QString& path) {
                if (c.modelFails)
                    throw Error(QStringLiteral("cannot read ") + path);
            });
        });
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(settings.values().height.has_value(), c.modelFails);
        EXPECT_EQ(settings.values().memoText.has_value(), c.modelFails);
        EXPECT_FALSE(settings.values().manual.has_value());
        EXPECT_EQ(settings.geometry(QRect(268, 235, 831, 586)).height(), c.modelFails ? 560 : 586);

        MainSettings::Current now;
        now.geometry = QRect(5, 6, 700, 500);
        now.operatorText = QStringLiteral("Nuit");
        now.operatorTyped = c.operatorTyped;
        now.memoText = QStringLiteral("trois");
        now.model = c.modelFails ? QString() : m_data.file(QStringLiteral("Autre/Now.ETQ"));
        settings.save(now);
        const QByteArray saved = file();
        EXPECT_EQ(setting(saved, "Eleve"), c.eleve);
        EXPECT_EQ(setting(saved, "Memo1"), c.memo);
        EXPECT_EQ(setting(saved, "Modele"), c.modele);
        EXPECT_EQ(setting(saved, "Largeur"), "700");
        EXPECT_EQ(setting(saved, "CodeManu"), "0");
    }
}

TEST_F(MainSettingsTest, withoutAFileTheListsStartEmptyAndClosingWritesAWholeOne)
{
    QDir(m_data.file(QStringLiteral("Config"))).removeRecursively();
    const QString error = errorOf([&] { m_settings.open(); });
    EXPECT_TRUE(error.contains(QStringLiteral("cfg.xml"))) << qPrintable(error);
    ASSERT_EQ(m_settings.state(), MainSettings::State::Missing);
    EXPECT_TRUE(m_config.names(RefList::Systemes).isEmpty());
    m_settings.read(m_loadModel);
    EXPECT_TRUE(m_modelsLoaded.isEmpty());
    EXPECT_EQ(m_settings.geometry(QRect(268, 235, 831, 586)), QRect(268, 235, 831, 586));

    MainSettings::Current now;
    now.geometry = QRect(1, 2, 300, 200);
    now.manual = true;
    m_settings.save(now);
    const QByteArray saved = file();
    EXPECT_TRUE(saved.startsWith("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"));
    for (const char* element : {"<Systemes/>", "<Lieux/>", "<Parfums/>", "<Haut>2</Haut>", "<CodeManu>-1</CodeManu>"})
        EXPECT_TRUE(saved.contains(element)) << element;
    EXPECT_TRUE(m_settings.mayCloseUnsaved());
}

TEST_F(MainSettingsTest, anUnreadableFileIsNeverWrittenOverUntilAListEditRepairsIt)
{
    write("<Configuration>");
    EXPECT_FALSE(errorOf([&] { m_settings.open(); }).isEmpty());
    ASSERT_EQ(m_settings.state(), MainSettings::State::Unreadable);
    EXPECT_FALSE(m_settings.mayCloseUnsaved());
    m_settings.read(m_loadModel);
    m_settings.save(MainSettings::Current{});
    EXPECT_EQ(file(), "<Configuration>");
    // a list edit that failed to write changes nothing
    m_settings.listsEdited();
    EXPECT_EQ(m_settings.state(), MainSettings::State::Unreadable);

    m_config.reset();
    m_settings.listsEdited();
    EXPECT_EQ(m_settings.state(), MainSettings::State::Loaded);
    MainSettings::Current now;
    now.operatorText = QStringLiteral("Nuit");
    now.operatorTyped = true;
    m_settings.save(now);
    EXPECT_EQ(setting(file(), "Eleve"), "Nuit");
}

TEST_F(MainSettingsTest, aRefusedSaveWritesNothingAtCloseAndListEditsSayWhy)
{
    write(kFile);
    m_settings.open();
    m_config.refuseSaving(QStringLiteral("dossier utilisé"));
    MainSettings::Current now;
    now.operatorText = QStringLiteral("Nuit");
    now.operatorTyped = true;
    m_settings.save(now);
    EXPECT_EQ(file(), kFile);
    EXPECT_EQ(errorOf([&] { m_config.addPerfume(QStringLiteral("menthe"), QStringLiteral("MEN")); }),
              QStringLiteral("dossier utilisé"));
    EXPECT_EQ(file(), kFile);
    m_config.refuseSaving(QString());
    m_config.save();
    EXPECT_TRUE(file().contains("<Nom>menthe</Nom>"));
}

} // namespace
