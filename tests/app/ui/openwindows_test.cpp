#include "base/paths.h"
#include "app/ui/mainwindow.h"
#include "app/ui/aboutbox.h"
#include "app/ui/startup.h"
#include "base/ui/dialogs.h"
#include "app/ui/configurationwindow.h"
#include "labels/ui/labelselectionwindow.h"
#include "scan/ui/serialsettingsdialog.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QLayout>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// The windows start-up creates without a parent open tied to the window that shows them, as the
// desktop needs to keep a modal window in front of the window it blocks (and on its screen).
TEST(OpenWindows, areTiedToTheWindowThatShowsThem)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();
    ProgramWindows windows;
    MainWindow& main = windows.mainWindow();
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));

    const std::pair<const char*, QDialog*> shownFromMain[] = {
        {"ConfigurationWindow", &windows.configurationWindow()},
        {"LabelSelectionWindow", &windows.selectionWindow()},
        {"ScanWindow", &windows.scanWindow()},
    };
    for (const auto& [name, window] : shownFromMain) {
        window->show();
        ASSERT_NE(window->windowHandle(), nullptr) << name;
        EXPECT_EQ(window->windowHandle()->transientParent(), main.windowHandle()) << name;
        window->hide();
    }

    // the label selection opens clear of the preview, whose page it redraws at every mark
    LabelSelectionWindow& selection = windows.selectionWindow();
    selection.show();
    const QWidget* panel = main.findChild<QWidget*>(QStringLiteral("previewPanel"));
    ASSERT_NE(panel, nullptr);
    const QRect preview(panel->mapToGlobal(QPoint(0, 0)), panel->size());
    EXPECT_FALSE(selection.frameGeometry().intersects(preview))
        << "selection at " << selection.frameGeometry().x() << ", " << selection.frameGeometry().y()
        << ", preview from x " << preview.x();
    selection.hide();

    // the serial settings are shown from the scan window, their parent
    ScanWindow& scan = windows.scanWindow();
    scan.show();
    scan.activateWindow();
    auto* settings = scan.findChild<QDialog*>(QStringLiteral("serialSettingsDialog"));
    ASSERT_NE(settings, nullptr);
    settings->show();
    EXPECT_EQ(settings->windowHandle()->transientParent(), scan.windowHandle());
    settings->hide();
    scan.hide();
    main.hide();
}

// At double scaling a 1280 x 1024 screen is 640 x 512 of Qt's pixels: every window the operator
// opens must be able to shrink that far, so that it can be fitted to such a screen.
TEST(OpenWindows, everyWindowCanShrinkToADoubleScaledSmallScreen)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();
    ProgramWindows windows;
    const QSize screen(640, 512);
    const std::pair<const char*, QWidget*> all[] = {
        {"main", &windows.mainWindow()},
        {"configuration", &windows.configurationWindow()},
        {"scan", &windows.scanWindow()},
        {"about", &windows.aboutBox()},
    };
    for (const auto& [name, window] : all) {
        window->show();
        const QSize smallest = window->minimumSizeHint().expandedTo(window->minimumSize());
        const QSize least = window->layout() && window->layout()->sizeConstraint() == QLayout::SetFixedSize
                                ? window->sizeHint()
                                : smallest;
        EXPECT_LE(least.width(), screen.width()) << name;
        EXPECT_LE(least.height(), screen.height()) << name;
        window->hide();
    }
}

} // namespace
