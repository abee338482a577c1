#include "base/paths.h"
#include "app/ui/mainwindow.h"
#include "app/ui/startup.h"
#include "base/ui/dialogs.h"
#include "code/qstringprint.h"
#include "config/ui/listspage.h"
#include "app/ui/configurationwindow.h"
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

class ConfigurationWindowTest : public ::testing::Test
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

TEST_F(ConfigurationWindowTest, CodeManuelIsStoredAtCloseAndTheNextStartOpensInManualMode)
{
    {
        ProgramWindows windows;
        windows.mainWindow().show();
        ConfigurationWindow& form = windows.configurationWindow();
        form.show();
        form.tabs()->setCurrentIndex(0);
        ListsPage* lists = form.listsPage();
        EXPECT_FALSE(pageControl<QCheckBox>(*lists, "manualCodeCheck")->isChecked());
        click(pageControl<QCheckBox>(*lists, "manualCodeCheck"));
        EXPECT_TRUE(windows.mainWindow().findChild<QWidget*>(QStringLiteral("selectionView"))->isHidden());
        form.close();
        // the flag is not written before the main window closes
        EXPECT_TRUE(config().contains("<CodeManu>0</CodeManu>"));
        EXPECT_TRUE(windows.mainWindow().close());
    }
    EXPECT_TRUE(config().contains("<CodeManu>-1</CodeManu>"));

    ProgramWindows next;
    EXPECT_TRUE(next.mainWindow().manualMode());
    EXPECT_TRUE(next.mainWindow().findChild<QWidget*>(QStringLiteral("selectionView"))->isHidden());
    next.configurationWindow().show();
    EXPECT_TRUE(pageControl<QCheckBox>(*next.configurationWindow().listsPage(), "manualCodeCheck")->isChecked());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

TEST_F(ConfigurationWindowTest, ListEditsReachTheMainWindowsListsAtOnce)
{
    ProgramWindows windows;
    MainWindow& main = windows.mainWindow();
    main.show();
    ConfigurationWindow& form = windows.configurationWindow();
    form.show();
    form.tabs()->setCurrentIndex(0);
    ListsPage* lists = form.listsPage();

    QTest::keyClicks(pageControl<QLineEdit>(*lists, "perfumeNameEdit"), QStringLiteral("menthe"));
    QTest::keyClicks(pageControl<QLineEdit>(*lists, "perfumeCodeEdit"), QStringLiteral("MEN"));
    click(pageControl<QPushButton>(*lists, "addPerfumeButton"));
    // the same perfume again is refused: its code would decode to the first
    click(pageControl<QPushButton>(*lists, "addPerfumeButton"));
    EXPECT_EQ(Dialogs::shownMessages(),
              QStringList{QStringLiteral("Le code « MEN » est déjà celui du parfum « menthe ».")});
    Dialogs::clearShownMessages();
    // Enter in a field presses no button of the window
    QTest::keyClick(pageControl<QLineEdit>(*lists, "perfumeCodeEdit"), Qt::Key_Return);
    QTest::keyClick(pageControl<QLineEdit>(*lists, "systemNameEdit"), Qt::Key_Return);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
    EXPECT_EQ(items(list(main, "perfumeCombo")).count(QStringLiteral("menthe")), 1);
    EXPECT_EQ(main.configuration().names(RefList::Systemes).size(), 2);
    EXPECT_EQ(main.configuration().names(RefList::Parfums).count(QStringLiteral("menthe")), 1);

    // after a reset no selection addresses an entry that is gone, and nothing is reported for it
    Dialogs::setNextAnswer(QMessageBox::Yes);
    click(pageControl<QPushButton>(*lists, "resetConfigurationButton"));
    EXPECT_EQ(list(main, "systemCombo")->count(), 0);
    EXPECT_EQ(list(main, "placeCombo")->count(), 0);
    EXPECT_EQ(list(main, "perfumeCombo")->count(), 0);
    EXPECT_EQ(Dialogs::shownMessages(), QStringList({ListsPage::resetQuestion()}));

    QTest::keyClicks(pageControl<QLineEdit>(*lists, "systemNameEdit"), QStringLiteral("Savon"));
    // a letter typed in lower case is the capital the code panel, the labels and the file all hold
    QTest::keyClicks(pageControl<QLineEdit>(*lists, "systemCodeEdit"), QStringLiteral("s"));
    click(pageControl<QPushButton>(*lists, "addSystemButton"));
    EXPECT_EQ(items(list(main, "systemCombo")), QStringList({QStringLiteral("Savon")}));
    EXPECT_EQ(main.findChild<QLineEdit*>(QStringLiteral("systemField"))->text(), QStringLiteral("S"));
    EXPECT_TRUE(main.code().startsWith(u'S')) << qPrintable(main.code());
    EXPECT_TRUE(config().contains("<Code>S</Code>"));
}

} // namespace
} // namespace pelorin
