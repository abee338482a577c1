#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "code/qstringprint.h"
#include "support/sharedworkstation.h"
#include "support/testsupport.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

using namespace pelorin;
using pelorin::test::SharedWorkstation;

namespace {

const QByteArray kSharedLists = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n"
                                "\t<Systemes>\r\n\t\t<Systeme>\r\n\t\t\t<Nom>Bougie partag&#233;e</Nom>\r\n"
                                "\t\t\t<Code>B</Code>\r\n\t\t</Systeme>\r\n\t</Systemes>\r\n"
                                "\t<Lieux>\r\n\t\t<Ville>\r\n\t\t\t<Nom>Anzin</Nom>\r\n\t\t\t<Code>59410</Code>\r\n"
                                "\t\t\t<Logo>Anzin.bmp</Logo>\r\n\t\t</Ville>\r\n\t</Lieux>\r\n"
                                "\t<Parfums>\r\n\t\t<Parfum>\r\n\t\t\t<Nom>Vanille</Nom>\r\n"
                                "\t\t\t<Code>VAN</Code>\r\n\t\t</Parfum>\r\n\t</Parfums>\r\n</Configuration>\r\n";

// The operator's own file: lists of this workstation from before the shared folder, and his settings.
const QByteArray kOwnFile = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n"
                            "\t<Systemes>\r\n\t\t<Systeme>\r\n\t\t\t<Nom>Mien</Nom>\r\n\t\t\t<Code>M</Code>\r\n"
                            "\t\t</Systeme>\r\n\t</Systemes>\r\n\t<Form1>\r\n\t\t<Eleve>Op\xE9rateur</Eleve>\r\n"
                            "\t</Form1>\r\n</Configuration>\r\n";

struct ListEdit
{
    const char* name;
    std::function<void(ConfigFile&)> edit;
};

const ListEdit kEdits[] = {
    {"add", [](ConfigFile& c) { c.addSystem(QStringLiteral("Savon"), QStringLiteral("S")); }},
    {"change", [](ConfigFile& c) { c.changeEntry(RefList::Lieux, 0, QStringLiteral("Anzin"), QStringLiteral("1")); }},
    {"remove", [](ConfigFile& c) { c.removeEntry(RefList::Parfums, 0); }},
    {"reset", [](ConfigFile& c) { c.reset(); }},
};

class SharedLists : public ::testing::Test
{
protected:
    void SetUp() override
    {
        w.write("shared/Config/cfg.xml", kSharedLists);
        w.write("home/data/pelorin/Config/cfg.xml", kOwnFile);
        w.locate();
    }

    QStringList allNames(const ConfigFile& c) const
    {
        return c.names(RefList::Systemes) + c.names(RefList::Lieux) + c.names(RefList::Parfums);
    }

    SharedWorkstation w;
};

} // namespace

TEST_F(SharedLists, AreReadAndWrittenThereWhileTheSettingsStayTheOperators)
{
    ConfigFile config;
    config.load();
    ASSERT_TRUE(config.listsShared());
    EXPECT_EQ(allNames(config), (QStringList{"Bougie partagée", "Anzin", "Vanille"}));
    // decoding a code names what the shared lists name
    EXPECT_EQ(config.nameByCode(RefList::Systemes, "B"), QStringLiteral("Bougie partagée"));
    EXPECT_EQ(config.nameByCode(RefList::Systemes, "M"), QStringLiteral("Erreur"));
    EXPECT_EQ(config.placeByName("Anzin")->logo, QStringLiteral("Anzin.bmp"));
    EXPECT_EQ(config.savedText("Eleve"), QStringLiteral("Opérateur"));

    // the operator's settings go to his own file, the shared one is not touched
    Form1Settings settings;
    settings.eleve = QStringLiteral("Claire");
    config.SaveConfig(settings);
    EXPECT_EQ(w.read("shared/Config/cfg.xml"), kSharedLists);
    const QByteArray own = w.read("home/data/pelorin/Config/cfg.xml");
    EXPECT_TRUE(own.contains("<Eleve>Claire</Eleve>"));
    EXPECT_TRUE(own.contains("<Nom>Mien</Nom>"));

    // a list edit goes to the shared file, in its layout, and the operator's file stays as it was
    config.addSystem(QStringLiteral("Savon d'été"), QStringLiteral("S"));
    EXPECT_EQ(w.read("home/data/pelorin/Config/cfg.xml"), own);
    const QByteArray shared = w.read("shared/Config/cfg.xml");
    // (a character reference that the file's encoding holds is written as that character)
    const QByteArray rewritten = QByteArray(kSharedLists).replace("&#233;", "\xE9");
    EXPECT_TRUE(shared.startsWith(rewritten.left(rewritten.indexOf("\t</Systemes>")))) << shared.constData();
    EXPECT_TRUE(shared.endsWith(rewritten.mid(rewritten.indexOf("\t</Systemes>")))) << shared.constData();
    EXPECT_TRUE(shared.contains("\t\t<Systeme>\r\n\t\t\t<Nom>Savon d'\xE9t\xE9</Nom>\r\n")) << shared.constData();
    ConfigFile another;
    another.load();
    EXPECT_EQ(another.names(RefList::Systemes), (QStringList{"Bougie partagée", "Savon d'été"}));
}

TEST_F(SharedLists, EditsAreRefusedBeforeAnythingChangesWhereTheyMayNotBeWritten)
{
    const auto refusedEverywhere = [&](const char* says, const QString& file) {
        ConfigFile config;
        config.load();
        const QByteArray before = w.read(file);
        for (const ListEdit& e : kEdits) {
            const QString message = test::errorOf([&] { e.edit(config); });
            EXPECT_TRUE(message.contains(QStringLiteral("« %1 »").arg(w.sharedDir()))) << e.name << qPrintable(message);
            EXPECT_TRUE(message.contains(QString::fromUtf8(says))) << e.name << qPrintable(message);
            // nothing lost, nothing half done: the lists in memory and on disk are as they were
            EXPECT_EQ(allNames(config), (QStringList{"Bougie partagée", "Anzin", "Vanille"})) << e.name;
            EXPECT_EQ(w.read(file), before) << e.name;
        }
        EXPECT_EQ(w.read("home/data/pelorin/Config/cfg.xml"), kOwnFile);
    };
    w.makeReadOnly("shared");
    refusedEverywhere("pas le droit d'écrire", "shared/Config/cfg.xml");
    // on the copy of a shared folder that does not answer
    w.unplug();
    w.locate();
    ASSERT_EQ(DataFolder::listsPath(), w.cacheDir() + "/Config/cfg.xml");
    refusedEverywhere("injoignable", "home/cache/pelorin/shared/Config/cfg.xml");
}

TEST_F(SharedLists, AnotherWorkstationsEditIsNeverWrittenOver)
{
    ConfigFile config;
    config.load();
    QByteArray theirs = kSharedLists;
    theirs.replace("<Nom>Vanille</Nom>", "<Nom>Vanille bourbon</Nom>");
    w.write("shared/Config/cfg.xml", theirs);
    for (const ListEdit& e : kEdits) {
        const QString message = test::errorOf([&] { e.edit(config); });
        EXPECT_TRUE(message.contains(QStringLiteral("modifiées sur un autre poste"))) << e.name << qPrintable(message);
        // the operator starts over on the lists as they now are
        EXPECT_EQ(config.names(RefList::Parfums), QStringList{"Vanille bourbon"}) << e.name;
        EXPECT_EQ(w.read("shared/Config/cfg.xml"), theirs) << e.name;
        w.write("shared/Config/cfg.xml", theirs += "\r\n");
    }
    config.load();
    config.addPerfume(QStringLiteral("Ambre"), QStringLiteral("AMB"));
    ConfigFile another;
    another.load();
    EXPECT_EQ(another.names(RefList::Parfums), (QStringList{"Vanille bourbon", "Ambre"}));
}
