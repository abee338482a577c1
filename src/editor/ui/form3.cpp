#include "editor/ui/form3.h"

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

TForm3::TForm3(ConfigurationHost& host, LabelValues& values, QWidget* parent, const QString& sheetFolder)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    // flat tabs, like buttons over the pages; made before the pages so that Tab reaches them first
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    m_lists = new ListsPage(host);
    m_editor = new PageEditorPage(values, sheetFolder);
    PageControl1->addTab(m_lists, QStringLiteral("Configuration des listes"));
    PageControl1->addTab(m_editor, QStringLiteral("Editeur de page d'étiquettes"));
    PageControl1->setCurrentWidget(m_editor);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl1);

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

void TForm3::setVisible(bool visible)
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

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    m_lists->showManualMode();
    m_editor->showing();
}

} // namespace pelorin
