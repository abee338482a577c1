#include "app/ui/configurationwindow.h"
#include "app/ui/mainwindow.h"
#include "app/ui/startup.h"
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "code/qstringprint.h"
#include "editor/textlines.h"
#include "editor/ui/pageeditor.h"
#include "labels/ui/labelsheet.h"
#include "support/editorfixtures.h"
#include "support/testsupport.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace pelorin;

namespace {

// The configuration window opened from the main window's toolbar, as the operator opens it: `inside`
// runs while it is shown, then the window is closed.
void openConfiguration(MainWindow& main, ConfigurationWindow& configuration, const std::function<void()>& inside)
{
    QTimer::singleShot(0, &configuration, [&] {
        inside();
        configuration.reject();
    });
    main.findChild<QAction*>(QStringLiteral("actionConfiguration"))->trigger();
}

// The page editor opens on the page in use in the main window; with none, on the new page as before.
// A page made in the editor stays there until the main window takes another page.
TEST(EditorOpening, opensOnThePageInUseInTheMainWindow)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();
    ProgramWindows windows;
    MainWindow& main = windows.mainWindow();
    ConfigurationWindow& configuration = windows.configurationWindow();
    PageEditorPage& editor = *configuration.editorPage();
    const QString avery = data.file(QStringLiteral("Modeles/Avery4x2.ETQ"));
    const QString planche = data.file(QStringLiteral("Modeles/Planche65.ETQ"));
    const QString made = data.file(QStringLiteral("Modeles/Trois.ETQ"));

    main.sheet().EtiqXML().release();
    QStringList shown;
    openConfiguration(main, configuration, [&] { shown = editor.memoLines(); });
    EXPECT_EQ(shown, test::kInitialDescriptionLines);

    main.sheet().loadDescription(avery);
    ASSERT_TRUE(main.sheet().EtiqXML().isActive());
    openConfiguration(main, configuration, [&] {
        shown = editor.memoLines();
        // "Enregistrer" proposes the page's own file
        EXPECT_EQ(editor.descriptionFile(), avery);
        // a new page of three rows, saved under a name of its own
        auto* rows = editor.findChild<QLineEdit*>(QStringLiteral("rowsEdit"));
        rows->setText(QStringLiteral("3"));
        editor.findChild<QPushButton*>(QStringLiteral("createPageButton"))->click();
        Dialogs::setNextFileName(made);
        editor.saveDescription();
    });
    EXPECT_EQ(shown, readTextLines(avery));
    ASSERT_EQ(readTextLines(made).value(6), QStringLiteral("<Ligne>3</Ligne>"));

    // the main window still has the same page: the page made in the editor is still there
    openConfiguration(main, configuration, [&] { shown = editor.memoLines(); });
    EXPECT_EQ(shown, readTextLines(made));

    // another page in use: the editor opens on it, its objects listed
    main.sheet().loadDescription(planche);
    openConfiguration(main, configuration, [&] {
        shown = editor.memoLines();
        EXPECT_EQ(editor.descriptionFile(), planche);
        EXPECT_FALSE(editor.document().objects().empty());
        EXPECT_EQ(editor.document().sheet().Reference, main.sheet().EtiqXML().format().page().Reference);
    });
    EXPECT_EQ(shown, readTextLines(planche));
    EXPECT_TRUE(Dialogs::shownMessages().isEmpty()) << qPrintable(Dialogs::shownMessages().join(u'\n'));
}

} // namespace
