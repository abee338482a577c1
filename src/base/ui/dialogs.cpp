#include "base/ui/dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QList>
#include <QUrl>

namespace pelorin {

namespace {

bool g_testMode = false;
QList<QMessageBox::StandardButton> g_answers;
QStringList g_fileNames;
QStringList g_shown;
QString g_lastDialogPath;
std::function<bool(const QUrl&)> g_urlOpener;

QString withSuffix(const QString& path, const QString& suffix)
{
    if (path.isEmpty() || suffix.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + u'.' + suffix;
}

QString title()
{
    return QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Pelorin")
                                                            : QApplication::applicationDisplayName();
}

} // namespace

void Dialogs::error(QWidget* parent, const QString& message)
{
    if (g_testMode) {
        g_shown << message;
        return;
    }
    QMessageBox::critical(parent, title(), message);
}

void Dialogs::information(QWidget* parent, const QString& message)
{
    if (g_testMode) {
        g_shown << message;
        return;
    }
    QMessageBox::information(parent, title(), message);
}

QMessageBox::StandardButton Dialogs::question(QWidget* parent, const QString& message,
                                              QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    if (g_testMode) {
        g_shown << message;
        if (g_answers.isEmpty())
            return defaultButton != QMessageBox::NoButton ? defaultButton : QMessageBox::Cancel;
        return g_answers.takeFirst();
    }
    return QMessageBox::question(parent, title(), message, buttons, defaultButton);
}

QString Dialogs::openFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filters)
{
    g_lastDialogPath = dir;
    if (g_testMode)
        return g_fileNames.isEmpty() ? QString() : g_fileNames.takeFirst();
    return QFileDialog::getOpenFileName(parent, caption, dir, filters);
}

QString Dialogs::saveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filters,
                              const QString& defaultSuffix)
{
    g_lastDialogPath = dir;
    if (g_testMode)
        return withSuffix(g_fileNames.isEmpty() ? QString() : g_fileNames.takeFirst(), defaultSuffix);
    QFileDialog dialog(parent, caption, dir, filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(defaultSuffix);
    if (QFileInfo(dir).isFile() || (!QFileInfo(dir).exists() && !QFileInfo(dir).suffix().isEmpty()))
        dialog.selectFile(dir);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return withSuffix(dialog.selectedFiles().first(), defaultSuffix);
}

bool Dialogs::openDocument(QWidget* parent, const QString& path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QFileInfo file(path);
    if (!file.isFile()) {
        error(parent, QStringLiteral("Impossible d'ouvrir la page « %1 » : le fichier n'existe pas.").arg(shown));
        return false;
    }
    const QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    const bool opened = g_urlOpener ? g_urlOpener(url) : QDesktopServices::openUrl(url);
    if (!opened)
        error(parent,
              QStringLiteral("Impossible d'ouvrir la page « %1 » : aucun navigateur n'a pu l'afficher.").arg(shown));
    return opened;
}

void Dialogs::setUrlOpener(std::function<bool(const QUrl&)> opener)
{
    g_urlOpener = std::move(opener);
}

void Dialogs::setTestMode(bool on)
{
    g_testMode = on;
}

bool Dialogs::testMode()
{
    return g_testMode;
}

void Dialogs::setNextAnswer(QMessageBox::StandardButton answer)
{
    g_answers << answer;
}

void Dialogs::setNextFileName(const QString& path)
{
    g_fileNames << path;
}

QStringList Dialogs::shownMessages()
{
    return g_shown;
}

void Dialogs::clearShownMessages()
{
    g_shown.clear();
}

QString Dialogs::lastDialogPath()
{
    return g_lastDialogPath;
}

} // namespace pelorin
