#include "base/paths.h"
#include "app/ui/mainform.h"
#include "app/ui/startup.h"
#include "base/ui/dialogs.h"
#include "code/qstringprint.h"
#include "config/ui/listspage.h"
#include "editor/ui/form3.h"
#include "pagecontrol.h"
#include "support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// The whole program on a data folder of its own: the main window with two systems, two places and
// three perfumes, the configuration window created after it.
using test::pageControl;

class ConfigurationWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Dialogs::clearShownMessages();
        for (const char* name : {"Config/cfg.xml", "Modeles/Test.ETQ"}) {
            QFile f(test::fixture(QStringLiteral("app/") + QFileInfo(QString::fromLatin1(name)).fileName()));
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            m_data.write(QString::fromLatin1(name), f.readAll());
        }
        QDir().mkpath(m_data.file(QStringLiteral("logos")));
        QImage logo(20, 20, QImage::Format_RGB32);
        logo.fill(Qt::blue);
        logo.save(m_data.file(QStringLiteral("logos/Anzin.bmp")), "BMP");
        logo.save(m_data.file(QStringLiteral("logos/Valenciennes.bmp")), "BMP");
        DataFolder::setRoot(m_data.path());
    }

    QByteArray config() const { return m_data.read(QStringLiteral("Config/cfg.xml")); }
    static QStringList items(QComboBox* box)
    {
        QStringList list;
        for (int i = 0; i < box->count(); ++i)
            list << box->itemText(i);
        return list;
    }
    static QComboBox* list(QWidget& window, const char* name)
    {
        auto* box = window.findChild<QComboBox*>(QString::fromLatin1(name));
        EXPECT_NE(box, nullptr) << name;
        return box;
    }
    // at the left end, where a check box's indicator is whatever the width of its row
    static void click(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2)); }

    test::TempDataFolder m_data;
};

TEST_F(ConfigurationWindow, CodeManuelIsStoredAtCloseAndTheNextStartOpensInManualMode)
{
    {
        ProgramWindows windows;
        windows.mainForm().show();
        TForm3& form = windows.configurationWindow();
        form.show();
        form.PageControl1->setCurrentIndex(0);
        ListsPage* lists = form.listsPage();
        EXPECT_FALSE(pageControl<QCheckBox>(*lists, "ChoixCodeManu")->isChecked());
        click(pageControl<QCheckBox>(*lists, "ChoixCodeManu"));
        EXPECT_TRUE(windows.mainForm().findChild<QWidget*>(QStringLiteral("Panel2"))->isHidden());
        form.close();
        // the flag is not written before the main window closes
        EXPECT_TRUE(config().contains("<CodeManu>0</CodeManu>"));
        EXPECT_TRUE(windows.mainForm().close());
    }
    EXPECT_TRUE(config().contains("<CodeManu>-1</CodeManu>"));

    ProgramWindows next;
    EXPECT_TRUE(next.mainForm().manualMode());
    EXPECT_TRUE(next.mainForm().findChild<QWidget*>(QStringLiteral("Panel2"))->isHidden());
    next.configurationWindow().show();
    EXPECT_TRUE(pageControl<QCheckBox>(*next.configurationWindow().listsPage(), "ChoixCodeManu")->isChecked());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(ConfigurationWindow, ListEditsReachTheMainWindowsListsAtOnce)
{
    ProgramWindows windows;
    TForm1& main = windows.mainForm();
    main.show();
    TForm3& form = windows.configurationWindow();
    form.show();
    form.PageControl1->setCurrentIndex(0);
    ListsPage* lists = form.listsPage();

    QTest::keyClicks(pageControl<QLineEdit>(*lists, "LabeledEditnomparfum"), QStringLiteral("menthe"));
    QTest::keyClicks(pageControl<QLineEdit>(*lists, "LabeledEditCodeParfum"), QStringLiteral("MEN"));
    click(pageControl<QPushButton>(*lists, "Button5"));
    // the same perfume again is refused: its code would decode to the first
    click(pageControl<QPushButton>(*lists, "Button5"));
    EXPECT_EQ(Dialogs::shownMessages(),
              QStringList{QStringLiteral("Le code « MEN » est déjà celui du parfum « menthe ».")});
    Dialogs::clearShownMessages();
    // Enter in a field presses no button of the window
    QTest::keyClick(pageControl<QLineEdit>(*lists, "LabeledEditCodeParfum"), Qt::Key_Return);
    QTest::keyClick(pageControl<QLineEdit>(*lists, "LabeledEditSyst"), Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_EQ(items(list(main, "Sel_Parfum")).count(QStringLiteral("menthe")), 1);
    EXPECT_EQ(main.ConfigXML().names(RefList::Systemes).size(), 2);
    EXPECT_EQ(main.ConfigXML().names(RefList::Parfums).count(QStringLiteral("menthe")), 1);

    // after a reset no selection addresses an entry that is gone, and nothing is reported for it
    Dialogs::setNextAnswer(QMessageBox::Yes);
    click(pageControl<QPushButton>(*lists, "Button4"));
    EXPECT_EQ(list(main, "Sel_Systeme")->count(), 0);
    EXPECT_EQ(list(main, "Sel_Origine")->count(), 0);
    EXPECT_EQ(list(main, "Sel_Parfum")->count(), 0);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList({ListsPage::resetQuestion()}));

    QTest::keyClicks(pageControl<QLineEdit>(*lists, "LabeledEditSyst"), QStringLiteral("Savon"));
    // a letter typed in lower case is the capital the code panel, the labels and the file all hold
    QTest::keyClicks(pageControl<QLineEdit>(*lists, "LabeledEditsystcode"), QStringLiteral("s"));
    click(pageControl<QPushButton>(*lists, "Button2"));
    EXPECT_EQ(items(list(main, "Sel_Systeme")), QStringList({QStringLiteral("Savon")}));
    EXPECT_EQ(main.findChild<QLineEdit*>(QStringLiteral("LabCodeSyst"))->text(), QStringLiteral("S"));
    EXPECT_TRUE(main.CalculOF().startsWith(u'S')) << qPrintable(main.CalculOF());
    EXPECT_TRUE(config().contains("<Code>S</Code>"));
}

} // namespace
} // namespace pelorin
