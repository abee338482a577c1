#include "base/paths.h"
#include "journal/settings.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;
using namespace pelorin::journal;

namespace {

void writeText(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

// XDG_CONFIG_DIRS for the length of one test.
class ConfigDirs
{
public:
    explicit ConfigDirs(const QByteArray& value)
        : m_old(qgetenv("XDG_CONFIG_DIRS")), m_had(qEnvironmentVariableIsSet("XDG_CONFIG_DIRS"))
    {
        qputenv("XDG_CONFIG_DIRS", value);
    }
    ~ConfigDirs()
    {
        if (m_had)
            qputenv("XDG_CONFIG_DIRS", m_old);
        else
            qunsetenv("XDG_CONFIG_DIRS");
    }

private:
    QByteArray m_old;
    bool m_had;
};

} // namespace

// A word the program does not know is an error naming the file, the line and the words it knows:
// never a journal kept somewhere else without a word.
TEST(JournalSettings, RefusesEveryUnknownWordWithItsLine)
{
    struct Case
    {
        const char* text;
        int line;
        const char* said; // besides the file and the line
    };
    const Case cases[] = {
        {"[Journl]\nengine=postgresql\n", 1, "section inconnue « [Journl] » (la seule section connue est [journal])"},
        {"[journal]\nEngin=postgresql\n", 2, "clé inconnue « Engin » (clés connues : engine, service, database, file)"},
        {"[journal]\nengine=postgre\n", 2,
         "moteur de journal inconnu « postgre » (moteurs connus : sqlite, postgresql)"},
        {"[journal]\nengine=\n", 2, "aucun moteur de journal donné (moteurs connus : sqlite, postgresql)."},
        {"; the shared journal\n\nengine=postgresql\n[journal]\n", 3,
         "la clé « engine » est hors de la section [journal]"},
        {"[journal]\nengine postgresql\n", 2, "ligne illisible « engine postgresql »"},
        {"[journal]\r\nengine=postgresql\r\n[journal\r\n", 3, "section inconnue « [journal »"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("journal.ini"));
        writeText(path, c.text);
        const QString message = test::errorOf([&] { Settings::loadFile(path); });
        EXPECT_TRUE(message.startsWith(QStringLiteral("Le fichier de réglages du journal « %1 », ligne %2 : %3")
                                           .arg(path)
                                           .arg(c.line)
                                           .arg(QString::fromUtf8(c.said))))
            << c.text << " said: " << message.toStdString();
    }
    // a file with no engine at all is one somebody meant to fill
    const QString empty = dir.filePath(QStringLiteral("empty.ini"));
    writeText(empty, "; nothing yet\n[journal]\nservice=pelorin\n");
    EXPECT_EQ(test::errorOf([&] { Settings::loadFile(empty); }),
              QStringLiteral("Le fichier de réglages du journal « %1 » ne dit pas quel moteur employer (section "
                             "[journal], clé engine : sqlite, postgresql).")
                  .arg(empty));
}

// What an administrator writes by hand, and what the older program wrote through QSettings, read the
// same; what the program writes reads back whole, whatever its characters.
TEST(JournalSettings, ReadsHandWrittenAndWrittenFilesAlike)
{
    struct Case
    {
        const char* text;
        Engine engine;
        const char* service;
        const char* database;
        const char* file;
    };
    const Case cases[] = {
        {"[Journal]\nEngine = PostgreSQL\nService = pelorin ; the factory's server\n", Engine::PostgreSQL, "pelorin",
         "", ""},
        {"# shared\n[journal]\r\nengine=postgres\r\nservice=\"a;b\"\r\ndatabase=trace\r\n", Engine::PostgreSQL, "a;b",
         "trace", ""},
        {"[journal]\nengine=sqlite\nfile=/srv/journal/poste 1.sqlite\n", Engine::SQLite, "", "",
         "/srv/journal/poste 1.sqlite"},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.ini"));
    for (const Case& c : cases) {
        writeText(path, c.text);
        const Settings s = Settings::loadFile(path);
        EXPECT_EQ(s.engine, c.engine) << c.text;
        EXPECT_EQ(s.service, QString::fromUtf8(c.service)) << c.text;
        EXPECT_EQ(s.database, QString::fromUtf8(c.database)) << c.text;
        EXPECT_EQ(s.sqlitePath, QString::fromUtf8(c.file)) << c.text;
        EXPECT_EQ(s.source, path);
    }

    Settings awkward;
    awkward.engine = Engine::PostgreSQL;
    awkward.service = QStringLiteral(" usine; \"nord\" \\ ");
    awkward.database = QStringLiteral("#trace");
    awkward.sqlitePath = QStringLiteral("/srv/é,t\\é.sqlite");
    awkward.saveFile(path);
    const Settings back = Settings::loadFile(path);
    EXPECT_EQ(back.engine, awkward.engine);
    EXPECT_EQ(back.service, awkward.service);
    EXPECT_EQ(back.database, awkward.database);
    EXPECT_EQ(back.sqlitePath, awkward.sqlitePath);

    // the older program's file, written by QSettings
    const QString older = dir.filePath(QStringLiteral("older.ini"));
    {
        QSettings ini(older, QSettings::IniFormat);
        ini.beginGroup(QStringLiteral("journal"));
        ini.setValue(QStringLiteral("engine"), QStringLiteral("postgresql"));
        ini.setValue(QStringLiteral("service"), QStringLiteral("pelorin, nord"));
        ini.setValue(QStringLiteral("database"), QString());
    }
    const Settings read = Settings::loadFile(older);
    EXPECT_EQ(read.engine, Engine::PostgreSQL);
    EXPECT_EQ(read.service, QStringLiteral("pelorin, nord"));
}

// The data folder's own file first, then the system configuration folders in their order
// (/etc/xdg when XDG_CONFIG_DIRS is unset or empty), then the defaults.
TEST(JournalSettings, DataFolderFileFirstThenTheSystemOnes)
{
    QTemporaryDir data, first, second;
    DataFolder::setRoot(data.path());
    const QString own = data.filePath(QStringLiteral("Config/journal.ini"));
    const QString firstFile = first.filePath(QStringLiteral("pelorin/journal.ini"));
    const QString secondFile = second.filePath(QStringLiteral("pelorin/journal.ini"));
    {
        ConfigDirs unset("");
        EXPECT_EQ(Settings::systemPaths(), QStringList{QStringLiteral("/etc/xdg/pelorin/journal.ini")});
    }
    ConfigDirs dirs((first.path() + u':' + second.path()).toLocal8Bit());
    EXPECT_EQ(Settings::systemPaths(), (QStringList{firstFile, secondFile}));

    // nothing anywhere: SQLite in the data folder, and the status says no file is read
    Settings s = Settings::load();
    EXPECT_EQ(s.engine, Engine::SQLite);
    EXPECT_TRUE(s.source.isEmpty());
    EXPECT_TRUE(s.sourceText().contains(QStringLiteral("aucun"))) << s.sourceText().toStdString();

    writeText(secondFile, "[journal]\nengine=postgresql\nservice=second\n");
    EXPECT_EQ(Settings::load().service, QStringLiteral("second"));
    EXPECT_EQ(Settings::load().sourceText(), secondFile);
    writeText(firstFile, "[journal]\nengine=postgresql\nservice=first\n");
    EXPECT_EQ(Settings::load().service, QStringLiteral("first"));
    writeText(own, "[journal]\nengine=sqlite\n");
    s = Settings::load();
    EXPECT_EQ(s.engine, Engine::SQLite);
    EXPECT_EQ(s.source, own);

    // a faulty system file is an error, never a quiet local journal
    QFile::remove(own);
    writeText(firstFile, "[journal]\nengine=postgresql\nsevrice=first\n");
    EXPECT_TRUE(test::errorOf([] { Settings::load(); }).contains(firstFile));
}
