#pragma once
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

#include "base/error.h"

class QUrl;
class QWidget;

namespace pelorin {

// Every message box and file dialog of the program goes through here, so that tests can answer
// them in advance instead of blocking: in test mode nothing is shown, each call takes the next
// queued answer (or Cancel / no file when none is queued) and the texts shown are recorded.
class Dialogs
{
public:
    // The general error message: the error's text with an OK button.
    static void error(QWidget* parent, const QString& message);
    // A plain message with an OK button.
    static void information(QWidget* parent, const QString& message);
    // A question; returns the button pressed (Qt's standard buttons, translated to French). Enter
    // presses `defaultButton` when one is given; in test mode, a question with no answer queued is
    // answered with it (as Enter would), else with Cancel.
    static QMessageBox::StandardButton question(QWidget* parent, const QString& message,
                                                QMessageBox::StandardButtons buttons = QMessageBox::Yes |
                                                                                       QMessageBox::No,
                                                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // `filters` in Qt's form ("Fichier étiquette. (*.ETQ);;Tous (*.*)"); an empty string when cancelled.
    static QString openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filters);
    // `defaultSuffix` is added to a name typed without one.
    static QString saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filters,
                                const QString& defaultSuffix = QString());

    // Asks the desktop to show a local file (a help page) in the browser. A missing file, or a desktop
    // that finds nothing to open it with, gets an error message naming the file; returns true when the
    // desktop took the file.
    static bool openDocument(QWidget* parent, const QString& path);

    // test seam
    static void setTestMode(bool on);
    // What hands a URL to the browser in place of the desktop, and whether it succeeded; an empty
    // function gives the desktop back.
    static void setUrlOpener(std::function<bool(const QUrl&)> opener);
    static bool testMode();
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static void setNextFileName(const QString& path);
    static QStringList shownMessages();
    static void clearShownMessages();
    // The folder or file the last file dialog was opened on (what a save dialog proposes).
    static QString lastDialogPath();
};

// The boundary of a window handler: runs the handler's work and shows whatever error it raises in the
// general error message, so that no failure escapes into Qt's event loop. Returns true when the work
// finished without an error; the state before the failing step is what remains.
template <typename Work> bool guarded(QWidget* parent, Work&& work)
{
    try {
        std::forward<Work>(work)();
        return true;
    } catch (...) {
        Dialogs::error(parent, currentErrorMessage());
    }
    return false;
}

} // namespace pelorin
