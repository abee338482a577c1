#include "config/ui/listspage.h"

#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "code/qstringprint.h"
#include "config/configfile.h"
#include "base/error.h"
#include "config/listcodes.h"
#include "config/printhistory.h"
#include "config/ui/configurationhost.h"
#include "config/ui/entrydialog.h"
#include "pagecontrol.h"
#include "support/testsupport.h"
#include "support/fakeconfigurationhost.h"
#include "support/sharedworkstation.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace pelorin {
namespace {

using test::FakeHost;

const QByteArray kConfig = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                           "<Configuration>\r\n"
                           "\t<Systemes>\r\n"
                           "\t\t<Systeme>\r\n\t\t\t<Nom>Bougie parfum\xe9\x65</Nom>\r\n\t\t\t<Code>B</Code>\r\n"
                           "\t\t</Systeme>\r\n"
                           "\t</Systemes>\r\n"
                           "\t<Lieux/>\r\n"
                           "\t<Parfums>\r\n"
                           "\t\t<Parfum>\r\n\t\t\t<Nom>lavande</Nom>\r\n\t\t\t<Code>LAV</Code>\r\n\t\t</Parfum>\r\n"
                           "\t</Parfums>\r\n"
                           "\t<Form1>\r\n\t\t<CodeManu>0</CodeManu>\r\n\t</Form1>\r\n"
                           "</Configuration>\r\n";

using test::pageControl;

class ListEditing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::clearShownMessages();
        m_data.write(QStringLiteral("Config/cfg.xml"), kConfig);
        DataFolder::setRoot(m_data.path());
        m_host.config.load();
    }

    QByteArray file() const { return m_data.read(QStringLiteral("Config/cfg.xml")); }
    // The lists as the next start reads them from the file.
    static QStringList namesOnDisk(RefList list)
    {
        ConfigFile c;
        c.load();
        return c.names(list);
    }
    // at the left end, where a check box's indicator is whatever the width of its row
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }
    static void type(QLineEdit* edit, const char* text)
    {
        edit->clear();
        QTest::keyClicks(edit, QString::fromLatin1(text));
    }

    test::TempDataFolder m_data;
    FakeHost m_host;
};

TEST_F(ListEditing, FieldsAndButtonsAsTheOperatorFindsThem)
{
    ListsPage page(m_host);
    page.show();
    const struct
    {
        const char* name;
        const char* caption;
    } fields[] = {{"systemNameEdit", "Nom du système"},       {"systemCodeEdit", "Lettre code associée"},
                  {"placeNameEdit", "Lieux de production"},   {"placeCodeEdit", "Code postal"},
                  {"placeLogoEdit", "Nom du logo"},           {"perfumeNameEdit", "Nom du parfum"},
                  {"perfumeCodeEdit", "Lettre code associée"}};
    for (const auto& f : fields) {
        auto* edit = page.findChild<QLineEdit*>(QString::fromLatin1(f.name));
        ASSERT_NE(edit, nullptr) << f.name;
        EXPECT_TRUE(edit->text().isEmpty());
        EXPECT_EQ(edit->maxLength(), 32767) << f.name; // no limit of our own
        EXPECT_EQ(edit->accessibleName(), QString::fromUtf8(f.caption));
        bool buddy = false;
        for (QLabel* label : page.findChildren<QLabel*>())
            buddy = buddy || (label->buddy() == edit && label->text() == QString::fromUtf8(f.caption));
        EXPECT_TRUE(buddy) << f.name;
    }
    for (QPushButton* b :
         {pageControl<QPushButton>(page, "addSystemButton"), pageControl<QPushButton>(page, "addPlaceButton"),
          pageControl<QPushButton>(page, "addPerfumeButton")})
        EXPECT_EQ(b->text(), QStringLiteral("Ajouter"));
    EXPECT_EQ(pageControl<QPushButton>(page, "resetConfigurationButton")->text(), QStringLiteral("Effacer tout"));
    EXPECT_EQ(pageControl<QCheckBox>(page, "manualCodeCheck")->text(), QStringLiteral("Code manuel"));
}

TEST(SharedListEditing, RefusedWhereTheSharedFolderMayNotBeWrittenWithNothingLost)
{
    Dialogs::clearShownMessages();
    test::SharedWorkstation w;
    w.write(QStringLiteral("shared/Config/cfg.xml"), kConfig);
    w.locate();
    w.makeReadOnly(QStringLiteral("shared"));
    FakeHost host;
    host.config.load();
    ListsPage page(host);
    page.show();
    auto* name = pageControl<QLineEdit>(page, "perfumeNameEdit");
    auto* code = pageControl<QLineEdit>(page, "perfumeCodeEdit");
    QTest::keyClicks(name, QStringLiteral("menthe"));
    QTest::keyClicks(code, QStringLiteral("MEN"));
    QTest::mouseClick(pageControl<QPushButton>(page, "addPerfumeButton"), Qt::LeftButton);
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("« %1 »").arg(w.sharedDir())))
        << qPrintable(Dialogs::shownMessages().first());
    // what was typed stays for when the folder may be written; the lists shown and stored are unchanged
    EXPECT_EQ(name->text(), QStringLiteral("menthe"));
    EXPECT_EQ(code->text(), QStringLiteral("MEN"));
    EXPECT_EQ(pageControl<QListWidget>(page, "perfumesList")->count(), 1);
    EXPECT_EQ(w.read(QStringLiteral("shared/Config/cfg.xml")), kConfig);
}

TEST_F(ListEditing, AddedEntriesAreSavedAtOnceAsTyped)
{
    ListsPage page(m_host);
    page.show();
    type(pageControl<QLineEdit>(page, "perfumeNameEdit"), "menthe");
    type(pageControl<QLineEdit>(page, "perfumeCodeEdit"), "MEN");
    click(pageControl<QPushButton>(page, "addPerfumeButton"));
    EXPECT_EQ(namesOnDisk(RefList::Parfums), QStringList({"lavande", "menthe"}));
    // the fields keep their texts after an addition
    EXPECT_EQ(pageControl<QLineEdit>(page, "perfumeNameEdit")->text(), QStringLiteral("menthe"));

    type(pageControl<QLineEdit>(page, "placeNameEdit"), "Anzin");
    type(pageControl<QLineEdit>(page, "placeCodeEdit"), "59410");
    type(pageControl<QLineEdit>(page, "placeLogoEdit"), "Anzin.bmp");
    click(pageControl<QPushButton>(page, "addPlaceButton"));
    ConfigFile c;
    c.load();
    const auto place = c.placeByName(QStringLiteral("Anzin"));
    ASSERT_TRUE(place.has_value());
    EXPECT_EQ(place->code, QStringLiteral("59410"));
    EXPECT_EQ(place->logo, QStringLiteral("Anzin.bmp"));

    // nothing is validated: a system with both fields empty is stored
    pageControl<QLineEdit>(page, "systemNameEdit")->clear();
    pageControl<QLineEdit>(page, "systemCodeEdit")->clear();
    click(pageControl<QPushButton>(page, "addSystemButton"));
    EXPECT_EQ(namesOnDisk(RefList::Systemes), QStringList({QStringLiteral("Bougie parfumée"), QString()}));

    EXPECT_EQ(m_host.listChanges, 3);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty());
}

// A system's letter is the code's first character, a capital: typed in lower case it is stored in upper
// case, as the code panel, the labels and the command line then all show it.
TEST_F(ListEditing, ASystemLetterIsTypedInCapitals)
{
    ListsPage page(m_host);
    page.show();
    auto* letter = pageControl<QLineEdit>(page, "systemCodeEdit");
    type(pageControl<QLineEdit>(page, "systemNameEdit"), "Savon");
    type(letter, "s");
    EXPECT_EQ(letter->text(), QStringLiteral("S"));
    click(pageControl<QPushButton>(page, "addSystemButton"));
    ConfigFile c;
    c.load();
    EXPECT_EQ(c.systemCode(1), QStringLiteral("S"));
    // the other codes are stored as typed
    type(pageControl<QLineEdit>(page, "perfumeCodeEdit"), "men");
    EXPECT_EQ(pageControl<QLineEdit>(page, "perfumeCodeEdit")->text(), QStringLiteral("men"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

// A letter or code that another entry of the same list already has would decode to that entry: it is
// refused with a message naming it and the entry, nothing is added and the file stays as it was; the
// code stays typed, selected, to be changed. The same code in another list is no conflict.
TEST_F(ListEditing, ACodeAlreadyInItsListIsRefused)
{
    m_data.write(QStringLiteral("Config/cfg.xml"),
                 QByteArray(kConfig).replace("\t<Lieux/>\r\n",
                                             "\t<Lieux>\r\n\t\t<Ville>\r\n\t\t\t<Nom>Valenciennes</Nom>"
                                             "\r\n\t\t\t<Code>59300</Code>\r\n\t\t\t<Logo>v.bmp</Logo>"
                                             "\r\n\t\t</Ville>\r\n\t</Lieux>\r\n"));
    m_host.config.load();
    const QByteArray before = file();
    ListsPage page(m_host);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    const struct
    {
        const char* button;
        std::vector<std::pair<const char*, const char*>> fields; // edit, text typed
        const char* codeEdit;
        const char* message;
    } cases[] = {
        {"addSystemButton",
         {{"systemNameEdit", "Bougie de table"}, {"systemCodeEdit", "b"}},
         "systemCodeEdit",
         "La lettre « B » est déjà celle du système « Bougie parfumée »."},
        {"addPerfumeButton",
         {{"perfumeNameEdit", "Lavande fine"}, {"perfumeCodeEdit", "LAV"}},
         "perfumeCodeEdit",
         "Le code « LAV » est déjà celui du parfum « lavande »."},
        {"addPerfumeButton",
         {{"perfumeNameEdit", "Lavande fine"}, {"perfumeCodeEdit", "lav"}},
         "perfumeCodeEdit",
         "Le code « LAV » est déjà celui du parfum « lavande »."},
        {"addPlaceButton",
         {{"placeNameEdit", "Anzin"}, {"placeCodeEdit", "59300"}, {"placeLogoEdit", "a.bmp"}},
         "placeCodeEdit",
         "Le code postal « 59300 » est déjà celui du lieu de production « Valenciennes »."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Dialogs::clearShownMessages();
        for (const auto& [edit, text] : c.fields)
            type(pageControl<QLineEdit>(page, edit), text);
        click(pageControl<QPushButton>(page, c.button));
        EXPECT_EQ(Dialogs::shownMessages(), QStringList{QString::fromUtf8(c.message)});
        EXPECT_EQ(file(), before);
        EXPECT_EQ(m_host.listChanges, 0);
        auto* code = pageControl<QLineEdit>(page, c.codeEdit);
        EXPECT_TRUE(code->hasFocus());
        EXPECT_EQ(code->selectedText(), code->text());
    }

    // another code goes in; so does a code of another list, and an empty one, which picks nothing
    Dialogs::clearShownMessages();
    type(pageControl<QLineEdit>(page, "systemCodeEdit"), "L");
    click(pageControl<QPushButton>(page, "addSystemButton"));
    type(pageControl<QLineEdit>(page, "perfumeCodeEdit"), "B");
    click(pageControl<QPushButton>(page, "addPerfumeButton"));
    type(pageControl<QLineEdit>(page, "systemCodeEdit"), "");
    click(pageControl<QPushButton>(page, "addSystemButton"));
    type(pageControl<QLineEdit>(page, "systemNameEdit"), "Sans lettre");
    click(pageControl<QPushButton>(page, "addSystemButton"));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_EQ(namesOnDisk(RefList::Systemes),
              QStringList({QStringLiteral("Bougie parfumée"), QStringLiteral("Bougie de table"),
                           QStringLiteral("Bougie de table"), QStringLiteral("Sans lettre")}));
    EXPECT_EQ(namesOnDisk(RefList::Parfums), QStringList({"lavande", "Lavande fine"}));
}

// Below the fields, each list shows what it holds, kept up to date, and takes the tab's height.
TEST_F(ListEditing, WhatTheListsHoldFillsTheTab)
{
    ListsPage page(m_host);
    page.resize(1000, 800);
    page.show();
    auto items = [&page](const char* name) {
        auto* list = page.findChild<QListWidget*>(QString::fromLatin1(name));
        EXPECT_NE(list, nullptr) << name;
        QStringList texts;
        for (int i = 0; list && i < list->count(); ++i)
            texts << list->item(i)->text();
        return texts;
    };
    EXPECT_EQ(items("systemsList"), QStringList({QStringLiteral("Bougie parfumée (B)")}));
    EXPECT_TRUE(items("placesList").isEmpty());
    EXPECT_EQ(items("perfumesList"), QStringList({"lavande (LAV)"}));

    type(pageControl<QLineEdit>(page, "placeNameEdit"), "Anzin");
    type(pageControl<QLineEdit>(page, "placeCodeEdit"), "59300");
    click(pageControl<QPushButton>(page, "addPlaceButton"));
    EXPECT_EQ(items("placesList"), QStringList({"Anzin (59300)"}));

    for (const char* name : {"systemsList", "placesList", "perfumesList"}) {
        auto* list = page.findChild<QListWidget*>(QString::fromLatin1(name));
        ASSERT_NE(list, nullptr);
        EXPECT_FALSE(list->accessibleName().isEmpty()) << name;
        // the list reaches down to the row of the reset button instead of leaving the tab empty
        const QWidget* reset = pageControl<QPushButton>(page, "resetConfigurationButton");
        EXPECT_GE(list->mapTo(&page, QPoint(0, list->height())).y(), reset->mapTo(&page, QPoint(0, 0)).y() - 40)
            << name;
        EXPECT_GE(reset->mapTo(&page, QPoint(0, reset->height())).y(), page.height() - 40);
        EXPECT_GE(list->height(), page.height() / 2) << name;
    }
}

TEST_F(ListEditing, EffacerToutAsksFirst)
{
    ListsPage page(m_host);
    page.show();
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Cancel}) {
        Dialogs::setNextAnswer(answer);
        click(pageControl<QPushButton>(page, "resetConfigurationButton"));
        EXPECT_EQ(file(), kConfig);
    }
    EXPECT_EQ(Dialogs::shownMessages(),
              QStringList(2, QStringLiteral("ATTENTION ... Effacer le fichier de configuration ?")));
    EXPECT_EQ(m_host.listChanges, 0);

    Dialogs::setNextAnswer(QMessageBox::Yes);
    click(pageControl<QPushButton>(page, "resetConfigurationButton"));
    EXPECT_EQ(file(),
              QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n\t<Systemes/>\r\n"
                         "\t<Lieux/>\r\n</Configuration>\r\n"));
    EXPECT_EQ(m_host.listChanges, 1);
}

// "Effacer tout" answered with Enter: the question's default button is "Non", nothing is wiped.
TEST_F(ListEditing, EffacerToutAnsweredWithEnterWipesNothing)
{
    ListsPage page(m_host);
    page.show();
    click(pageControl<QPushButton>(page, "resetConfigurationButton"));
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{ListsPage::resetQuestion()});
    EXPECT_EQ(file(), kConfig);
    EXPECT_EQ(m_host.listChanges, 0);
}

// Each list shows what it holds beside its fields, follows every edit, and showing it looks nothing up:
// after a reset the perfumes are not brought back by the page itself.
TEST_F(ListEditing, TheListsShowTheirEntriesAndFollowEachEdit)
{
    ListsPage page(m_host);
    page.show();
    auto rows = [&page](const char* name) {
        QStringList out;
        auto* view = pageControl<QListWidget>(page, name);
        for (int i = 0; view && i < view->count(); ++i)
            out << view->item(i)->text();
        return out;
    };
    EXPECT_EQ(rows("systemsList"), QStringList{QStringLiteral("Bougie parfumée (B)")});
    EXPECT_TRUE(rows("placesList").isEmpty());
    EXPECT_EQ(rows("perfumesList"), QStringList{QStringLiteral("lavande (LAV)")});
    for (const char* name : {"systemsList", "placesList", "perfumesList"})
        EXPECT_FALSE(pageControl<QListWidget>(page, name)->accessibleName().isEmpty()) << name;

    type(pageControl<QLineEdit>(page, "perfumeNameEdit"), "menthe");
    type(pageControl<QLineEdit>(page, "perfumeCodeEdit"), "MEN");
    click(pageControl<QPushButton>(page, "addPerfumeButton"));
    EXPECT_EQ(rows("perfumesList"), (QStringList{QStringLiteral("lavande (LAV)"), QStringLiteral("menthe (MEN)")}));

    Dialogs::setNextAnswer(QMessageBox::Yes);
    click(pageControl<QPushButton>(page, "resetConfigurationButton"));
    EXPECT_TRUE(rows("systemsList").isEmpty());
    EXPECT_TRUE(rows("perfumesList").isEmpty());
    page.showManualMode();
    m_host.config.save();
    EXPECT_FALSE(file().contains("Parfums")) << file().constData();
}

TEST_F(ListEditing, AFailedSaveShowsTheReasonAndKeepsTheChangeForTheNextSave)
{
    ListsPage page(m_host);
    page.show();
    QDir(m_data.file(QStringLiteral("Config"))).removeRecursively();
    type(pageControl<QLineEdit>(page, "systemNameEdit"), "Savon");
    type(pageControl<QLineEdit>(page, "systemCodeEdit"), "S");
    click(pageControl<QPushButton>(page, "addSystemButton"));
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_FALSE(Dialogs::shownMessages().first().isEmpty());
    EXPECT_FALSE(QFile::exists(m_data.file(QStringLiteral("Config/cfg.xml"))));
    EXPECT_EQ(m_host.config.names(RefList::Systemes), QStringList({QStringLiteral("Bougie parfumée"), "Savon"}));
    // the main window is still told, since its document changed
    EXPECT_EQ(m_host.listChanges, 1);

    QDir().mkpath(m_data.file(QStringLiteral("Config")));
    type(pageControl<QLineEdit>(page, "perfumeNameEdit"), "menthe");
    click(pageControl<QPushButton>(page, "addPerfumeButton"));
    EXPECT_EQ(namesOnDisk(RefList::Systemes), QStringList({QStringLiteral("Bougie parfumée"), "Savon"}));
}

// The journal as the lists ask it: the codes printed in each list, or the reason it cannot be read.
class JournalAnswers : public PrintHistory
{
public:
    QList<std::pair<RefList, QString>> printedCodes;
    QString failure;
    QList<QString> asked;

    bool printed(RefList list, const QString& code) override
    {
        asked << code;
        if (!failure.isEmpty())
            throw Error(failure);
        return printedCodes.contains(std::pair(list, code));
    }
};

class OneEntryAtATime : public ListEditing
{
protected:
    void SetUp() override
    {
        ListEditing::SetUp();
        // two perfumes, one of them already on printed labels, and a place with its logo
        m_data.write(QStringLiteral("Config/cfg.xml"),
                     QByteArray(kConfig)
                         .replace("\t<Lieux/>\r\n", "\t<Lieux>\r\n\t\t<Ville>\r\n\t\t\t<Nom>Anzin</Nom>"
                                                    "\r\n\t\t\t<Code>59410</Code>\r\n\t\t\t<Logo>a.bmp</Logo>"
                                                    "\r\n\t\t</Ville>\r\n\t</Lieux>\r\n")
                         .replace("\t</Parfums>", "\t\t<Parfum>\r\n\t\t\t<Nom>rose</Nom>\r\n\t\t\t<Code>ROS</Code>"
                                                  "\r\n\t\t</Parfum>\r\n\t</Parfums>"));
        m_host.config.load();
        m_journal.printedCodes = {{RefList::Parfums, QStringLiteral("LAV")}};
        m_host.history = &m_journal;
        m_page = std::make_unique<ListsPage>(m_host);
        m_page->show();
        m_page->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_page.get()));
    }

    QListWidget* list(const char* name) { return pageControl<QListWidget>(*m_page, name); }
    QStringList rows(const char* name)
    {
        QStringList out;
        for (int i = 0; i < list(name)->count(); ++i)
            out << list(name)->item(i)->text();
        return out;
    }
    // Focuses a row and presses a key on it, as the operator does.
    void keyOnRow(const char* name, int row, Qt::Key key)
    {
        // the page is the active window again once a dialog over it has closed
        m_page->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(m_page.get()));
        list(name)->setFocus();
        list(name)->setCurrentRow(row);
        QTest::keyClick(list(name), key);
    }
    // The row opened by a double-click, as the operator does it.
    EntryDialog* openByDoubleClick(const char* name, int row)
    {
        QListWidget* view = list(name);
        const QPoint at = view->visualItemRect(view->item(row)).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        return openDialog();
    }
    EntryDialog* openDialog()
    {
        for (EntryDialog* d : m_page->findChildren<EntryDialog*>())
            if (d->isVisible())
                return d;
        return nullptr;
    }
    static void fill(EntryDialog* dialog, const char* field, const char* text)
    {
        auto* edit = dialog->findChild<QLineEdit*>(QString::fromLatin1(field));
        ASSERT_NE(edit, nullptr) << field;
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromUtf8(text));
    }
    static void ok(EntryDialog* dialog)
    {
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QCoreApplication::processEvents();
    }

    JournalAnswers m_journal;
    std::unique_ptr<ListsPage> m_page;
};

// Double-click (or Return, or F2) opens an entry with its texts; OK stores what was typed in place of
// them, a system's letter in capitals, and the lists show it at once.
TEST_F(OneEntryAtATime, AnEntryIsChangedInPlace)
{
    EntryDialog* dialog = openByDoubleClick("placesList", 0);
    ASSERT_NE(dialog, nullptr);
    const std::pair<const char*, const char*> shown[] = {
        {"entryNameEdit", "Anzin"}, {"entryCodeEdit", "59410"}, {"entryLogoEdit", "a.bmp"}};
    for (const auto& [field, text] : shown)
        EXPECT_EQ(dialog->findChild<QLineEdit*>(QString::fromLatin1(field))->text(), QString::fromLatin1(text));
    fill(dialog, "entryNameEdit", "Anzin-Nord");
    fill(dialog, "entryLogoEdit", "nord.bmp");
    ok(dialog);
    EXPECT_EQ(rows("placesList"), QStringList{QStringLiteral("Anzin-Nord (59410)")});
    ConfigFile c;
    c.load();
    EXPECT_EQ(c.placeByName(QStringLiteral("Anzin-Nord"))->logo, QStringLiteral("nord.bmp"));

    keyOnRow("systemsList", 0, Qt::Key_Return);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    fill(dialog, "entryCodeEdit", "c");
    ok(dialog);
    EXPECT_EQ(namesOnDisk(RefList::Systemes), QStringList{QStringLiteral("Bougie parfumée")});
    ConfigFile again;
    again.load();
    EXPECT_EQ(again.systemCode(0), QStringLiteral("C"));

    // a rename alone keeps the code: nothing printed changes its reading, the journal is not asked
    // about it
    keyOnRow("perfumesList", 0, Qt::Key_F2);
    dialog = openDialog();
    ASSERT_NE(dialog, nullptr);
    fill(dialog, "entryNameEdit", "Lavande");
    ok(dialog);
    EXPECT_EQ(rows("perfumesList"), QStringList({"Lavande (LAV)", "rose (ROS)"}));
    // only the system's new letter was looked up (B, never printed: no question)
    EXPECT_EQ(m_journal.asked, QStringList{"B"});
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_EQ(m_host.listChanges, 3);
}

// The checks of an addition: a code another entry of the list has is refused, the dialog stays open on
// it and nothing changes; the entry's own code is no clash.
TEST_F(OneEntryAtATime, AChangedCodeIsCheckedAsWhenAdded)
{
    const QByteArray before = file();
    EntryDialog* dialog = openByDoubleClick("perfumesList", 1);
    ASSERT_NE(dialog, nullptr);
    fill(dialog, "entryCodeEdit", "lav");
    ok(dialog);
    EXPECT_EQ(Dialogs::shownMessages(),
              QStringList{QStringLiteral("Le code « LAV » est déjà celui du parfum « lavande ».")});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(file(), before);
    EXPECT_EQ(m_host.listChanges, 0);

    Dialogs::clearShownMessages();
    fill(dialog, "entryCodeEdit", "ROS");
    fill(dialog, "entryNameEdit", "Rose");
    ok(dialog);
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_EQ(namesOnDisk(RefList::Parfums), QStringList({"lavande", "Rose"}));
}

// Removing an entry, or giving it another code, when the journal shows it printed: the warning says
// earlier codes will no longer read back as it, and only "Oui" goes on ("Non", and Enter, keep it).
// An entry never printed goes at once; a journal that cannot be read is said, and asked the same way.
TEST_F(OneEntryAtATime, AnEntryAlreadyPrintedIsGivenUpOnlyOnPurpose)
{
    const QString removeWarning =
        printedEntryWarning(RefList::Parfums, QStringLiteral("lavande"), QStringLiteral("LAV"), true);
    EXPECT_TRUE(removeWarning.contains(QStringLiteral("ne se liront plus comme « lavande »")))
        << qPrintable(removeWarning);
    const QByteArray before = file();
    for (QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::NoButton}) {
        Dialogs::clearShownMessages();
        if (answer != QMessageBox::NoButton)
            Dialogs::setNextAnswer(answer);
        keyOnRow("perfumesList", 0, Qt::Key_Delete);
        EXPECT_EQ(Dialogs::shownMessages(), QStringList{removeWarning});
        EXPECT_EQ(file(), before);
    }

    // another code for it: the same question, and the dialog stays open after "Non"
    Dialogs::clearShownMessages();
    EntryDialog* dialog = openByDoubleClick("perfumesList", 0);
    ASSERT_NE(dialog, nullptr);
    fill(dialog, "entryCodeEdit", "LAF");
    Dialogs::setNextAnswer(QMessageBox::No);
    ok(dialog);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList{printedEntryWarning(RefList::Parfums, QStringLiteral("lavande"),
                                                                        QStringLiteral("LAV"), false)});
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(file(), before);
    dialog->reject();

    Dialogs::clearShownMessages();
    Dialogs::setNextAnswer(QMessageBox::Yes);
    keyOnRow("perfumesList", 0, Qt::Key_Delete);
    EXPECT_EQ(rows("perfumesList"), QStringList{"rose (ROS)"});
    ConfigFile c;
    c.load();
    EXPECT_EQ(c.nameByCode(RefList::Parfums, QStringLiteral("LAV")), QStringLiteral("Erreur"));

    // never printed: gone without a question, through the list's context menu command
    Dialogs::clearShownMessages();
    list("perfumesList")->setCurrentRow(0);
    QAction* remove = list("perfumesList")->findChild<QAction*>(QStringLiteral("perfumesListRemove"));
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->text(), QStringLiteral("Supprimer"));
    EXPECT_EQ(list("perfumesList")->contextMenuPolicy(), Qt::ActionsContextMenu);
    remove->trigger();
    EXPECT_TRUE(rows("perfumesList").isEmpty());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));

    m_journal.failure = QStringLiteral("serveur injoignable");
    Dialogs::setNextAnswer(QMessageBox::No);
    keyOnRow("placesList", 0, Qt::Key_Delete);
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("serveur injoignable")));
    EXPECT_EQ(rows("placesList"), QStringList{"Anzin (59410)"});
    EXPECT_EQ(m_journal.asked, QStringList({"LAV", "LAV", "LAV", "LAV", "ROS", "59410"}));
}

TEST_F(ListEditing, CodeManuelSwitchesTheMainWindowAtOnce)
{
    ListsPage page(m_host);
    page.show();
    page.showManualMode();
    EXPECT_FALSE(pageControl<QCheckBox>(page, "manualCodeCheck")->isChecked());
    click(pageControl<QCheckBox>(page, "manualCodeCheck"));
    EXPECT_TRUE(m_host.manual);
    click(pageControl<QCheckBox>(page, "manualCodeCheck"));
    EXPECT_FALSE(m_host.manual);
    // the flag reaches the file only when the main window closes
    EXPECT_EQ(file(), kConfig);
}

} // namespace
} // namespace pelorin
