#include "editor/ui/form3.h"

#include "config/ui/listspage.h"
#include "editor/ui/pageeditor.h"

#include <QShowEvent>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pelorin {

TForm3::TForm3(ConfigurationHost& host, LabelValues& values, QWidget* parent, const QString& sheetFolder)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    m_lists = new ListsPage(host, this);
    m_editor = new PageEditorPage(values, sheetFolder, this);

    // flat tabs, like buttons over the pages
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setDocumentMode(true);
    PageControl1->addTab(m_lists, QStringLiteral("Configuration des listes"));
    PageControl1->addTab(m_editor, QStringLiteral("Editeur de page d'étiquettes"));
    PageControl1->setCurrentWidget(m_editor);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl1);
    resize(1000, 780);
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
