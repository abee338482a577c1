#include "app/ui/configurationwindow.h"

#include "base/ui/widgetkit.h"
#include "config/ui/listspage.h"
#include "editor/ui/pageeditor.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace pelorin {

ConfigurationWindow::ConfigurationWindow(ConfigurationHost& host, LabelValues& values, QWidget* parent,
                                         const QString& sheetFolder)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("configurationWindow"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    // flat tabs, like buttons over the pages; made before the pages so that Tab reaches them first
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("configurationTabs"));
    m_tabs->setDocumentMode(true);
    m_lists = new ListsPage(host);
    m_editor = new PageEditorPage(values, sheetFolder);
    m_tabs->addTab(m_lists, QStringLiteral("Configuration des listes"));
    m_tabs->addTab(m_editor, QStringLiteral("Editeur de page d'étiquettes"));
    m_tabs->setCurrentWidget(m_editor);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_tabs);

    // Enter in a field must not press a button of the dialog: it would add an entry to the wrong list
    // or replace the whole description ("CREER")
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    // tall enough for the editor's tabs without scrolling, within the screen
    QSize size(1000, 860);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 60));
    resize(size);
}

void ConfigurationWindow::setVisible(bool visible)
{
    if (visible && !isVisible()) {
        tieToOpener(this);
        // centred on the screen the operator works on, not necessarily the first one
        const QWindow* opener = windowHandle() ? windowHandle()->transientParent() : nullptr;
        if (const QScreen* screen = opener ? opener->screen() : QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QDialog::setVisible(visible);
}

void ConfigurationWindow::done(int result)
{
    if (!m_editor->leaving())
        return;
    QDialog::done(result);
}

void ConfigurationWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_lists->showManualMode();
    m_editor->showing();
}

} // namespace pelorin
