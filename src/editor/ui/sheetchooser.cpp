#include "editor/ui/sheetchooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace pelorin {

namespace {

// The drawing of the current sheet.
class SheetDrawing : public QWidget
{
public:
    explicit SheetDrawing(QWidget* parent = nullptr) : QWidget(parent)
    {
        setMinimumSize(220, 300);
        setAccessibleName(QStringLiteral("Disposition de la planche"));
    }
    void setSheet(const SheetTemplate* sheet)
    {
        m_sheet = sheet;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), palette().window());
        if (m_sheet)
            drawSheetLayout(p, QRectF(rect()).adjusted(8, 8, -8, -8), *m_sheet);
    }

private:
    const SheetTemplate* m_sheet = nullptr;
};

QComboBox* filterBox(const QStringList& items, const char* name)
{
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->addItem(QStringLiteral("Tous"), QString());
    for (const QString& item : items)
        box->addItem(item, item);
    return box;
}

} // namespace

SheetChooser::SheetChooser(const QList<SheetTemplate>& sheets, QWidget* parent) : QDialog(parent), m_sheets(sheets)
{
    setObjectName(QStringLiteral("sheetChooser"));
    setWindowTitle(QStringLiteral("Choisir une planche standard"));

    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("sheetSearchEdit"));
    m_search->setPlaceholderText(QStringLiteral("Référence ou mots de la description"));
    m_search->setClearButtonEnabled(true);
    m_brand = filterBox(sheetBrands(sheets), "sheetBrandFilter");
    m_paper = filterBox(sheetPapers(sheets), "sheetPaperFilter");
    m_list = new QListWidget;
    m_list->setObjectName(QStringLiteral("sheetList"));
    m_list->setAccessibleName(QStringLiteral("Planches trouvées"));
    m_drawing = new SheetDrawing;
    m_drawing->setObjectName(QStringLiteral("sheetDrawing"));
    m_summary = new QLabel;
    m_summary->setObjectName(QStringLiteral("sheetSummary"));
    m_summary->setWordWrap(true);
    m_summary->setAccessibleName(QStringLiteral("Étiquettes de la planche"));

    auto* filters = new QFormLayout;
    const std::pair<const char*, QWidget*> rows[] = {
        {"&Rechercher", m_search}, {"&Fabricant", m_brand}, {"Format du &papier", m_paper}};
    for (const auto& [caption, field] : rows) {
        auto* label = new QLabel(QString::fromUtf8(caption));
        label->setBuddy(field);
        field->setAccessibleName(QString::fromUtf8(caption).remove(u'&'));
        filters->addRow(label, field);
    }
    auto* listCaption = new QLabel(QStringLiteral("Planc&hes"));
    listCaption->setBuddy(m_list);

    auto* left = new QVBoxLayout;
    left->addLayout(filters);
    left->addWidget(listCaption);
    left->addWidget(m_list, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(m_drawing, 1);
    right->addWidget(m_summary);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 3);
    body->addLayout(right, 2);

    auto* buttons = new QDialogButtonBox;
    m_choose = buttons->addButton(QStringLiteral("Choisir"), QDialogButtonBox::AcceptRole);
    m_choose->setObjectName(QStringLiteral("chooseSheetButton"));
    buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);

    connect(m_search, &QLineEdit::textChanged, this, &SheetChooser::refresh);
    connect(m_brand, &QComboBox::currentIndexChanged, this, &SheetChooser::refresh);
    connect(m_paper, &QComboBox::currentIndexChanged, this, &SheetChooser::refresh);
    connect(m_list, &QListWidget::currentRowChanged, this, &SheetChooser::showCurrent);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    refresh();
    resize(820, 560);
}

int SheetChooser::chosenSheet() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_shown.size() ? m_shown.at(row) : -1;
}

void SheetChooser::refresh()
{
    const int before = chosenSheet();
    m_shown = filterSheets(m_sheets,
                           {m_search->text(), m_brand->currentData().toString(), m_paper->currentData().toString()});
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (int i : std::as_const(m_shown))
        m_list->addItem(m_sheets.at(i).displayText());
    // the sheet in sight stays chosen while the search still finds it, else the first one found is
    const int keep = int(m_shown.indexOf(before));
    m_list->setCurrentRow(keep >= 0 ? keep : (m_shown.isEmpty() ? -1 : 0));
    showCurrent();
}

void SheetChooser::showCurrent()
{
    const int i = chosenSheet();
    static_cast<SheetDrawing*>(m_drawing)->setSheet(i >= 0 ? &m_sheets.at(i) : nullptr);
    m_summary->setText(i >= 0 ? sheetSummary(m_sheets.at(i)) : QStringLiteral("Aucune planche ne correspond."));
    m_choose->setEnabled(i >= 0);
}

} // namespace pelorin
