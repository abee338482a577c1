#include "journal/ui/recallform.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "journal/journal.h"
#include "journal/recall.h"
#include "ui_recallform.h"

#include <QDir>
#include <QHeaderView>
#include <QStandardPaths>

namespace pelorin::journal {

namespace {

void startTable(QTableWidget* table, const QStringList& headers)
{
    table->clear();
    table->setRowCount(0);
    table->setColumnCount(int(headers.size()));
    table->setHorizontalHeaderLabels(headers);
}

void addRow(QTableWidget* table, const QStringList& cells, bool bold = false)
{
    const int row = table->rowCount();
    table->insertRow(row);
    for (int i = 0; i < cells.size(); ++i) {
        auto* item = new QTableWidgetItem(oneLine(cells[i]));
        if (bold) {
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        }
        table->setItem(row, i, item);
    }
}

QString recallFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return folder;
}

// A file name made of the text sought: "rappel-S25034.pdf".
QString recallFileName(const QString& text, const char* extension)
{
    QString name = text;
    for (QChar& c : name)
        if (!c.isLetterOrNumber() && c != u'-' && c != u'_')
            c = u'_';
    return QStringLiteral("rappel-%1.%2").arg(name, QLatin1String(extension));
}

} // namespace

RecallForm::RecallForm(Journal& journal, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RecallForm>()), m_journal(journal)
{
    m_ui->setupUi(this);
    for (QTableWidget* t : {m_ui->TableImpressions, m_ui->TableLectures, m_ui->TableTotaux}) {
        t->verticalHeader()->hide();
        t->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    }
    m_ui->ButtonChercher->setDefault(true);
    connect(m_ui->ButtonChercher, &QPushButton::clicked, this, &RecallForm::search);
    connect(m_ui->EditTexte, &QLineEdit::returnPressed, this, &RecallForm::search);
    connect(m_ui->ButtonCsv, &QPushButton::clicked, this, &RecallForm::exportCsv);
    connect(m_ui->ButtonPdf, &QPushButton::clicked, this, &RecallForm::exportPdf);
    connect(m_ui->ButtonFermer, &QPushButton::clicked, this, &QDialog::accept);
}

RecallForm::~RecallForm() = default;

void RecallForm::setText(const QString& text)
{
    m_ui->EditTexte->setText(text);
}

QTableWidget* RecallForm::printsTable() const
{
    return m_ui->TableImpressions;
}

QTableWidget* RecallForm::scansTable() const
{
    return m_ui->TableLectures;
}

QTableWidget* RecallForm::totalsTable() const
{
    return m_ui->TableTotaux;
}

bool RecallForm::haveText()
{
    if (!m_ui->EditTexte->text().isEmpty())
        return true;
    Dialogs::error(this, QStringLiteral("Tapez le code, ou la partie du code (un lot), à chercher."));
    m_ui->EditTexte->setFocus();
    return false;
}

void RecallForm::search()
{
    if (!haveText())
        return;
    guarded(this, [&] {
        m_journal.flush(true);
        Recall recall(m_journal.store(), m_ui->EditTexte->text());
        startTable(m_ui->TableImpressions, Recall::printHeaders());
        startTable(m_ui->TableLectures, Recall::scanHeaders());
        startTable(m_ui->TableTotaux, Recall::totalHeaders());
        recall.forEachPrint(
            [&](const Entry& e) { addRow(m_ui->TableImpressions, Recall::printCells(e, Reader::Person)); });
        recall.forEachScan([&](const Entry& e) { addRow(m_ui->TableLectures, Recall::scanCells(e, Reader::Person)); });
        const ReconcileTotals total =
            recall.forEachTotal([&](const ReconcileRow& r) { addRow(m_ui->TableTotaux, Recall::totalCells(r)); });
        addRow(m_ui->TableTotaux, Recall::sumCells(total), true);
        for (QTableWidget* t : {m_ui->TableImpressions, m_ui->TableLectures, m_ui->TableTotaux})
            t->resizeColumnsToContents();
    });
}

void RecallForm::exportCsv()
{
    if (!haveText())
        return;
    guarded(this, [&] {
        const QString path =
            Dialogs::saveFileName(this, QStringLiteral("Exporter le rappel en CSV"),
                                  QDir(recallFolder()).filePath(recallFileName(m_ui->EditTexte->text(), "csv")),
                                  QStringLiteral("Fichier CSV (*.csv);;Tous (*.*)"), QStringLiteral("csv"));
        if (path.isEmpty())
            return;
        Recall recall(m_journal.store(), m_ui->EditTexte->text());
        exportRecallCsv(recall, path, CsvEncoding::Utf8Bom, QDateTime::currentDateTimeUtc());
    });
}

void RecallForm::exportPdf()
{
    if (!haveText())
        return;
    guarded(this, [&] {
        const QString path =
            Dialogs::saveFileName(this, QStringLiteral("Exporter le rappel en PDF"),
                                  QDir(recallFolder()).filePath(recallFileName(m_ui->EditTexte->text(), "pdf")),
                                  QStringLiteral("Document PDF (*.pdf);;Tous (*.*)"), QStringLiteral("pdf"));
        if (path.isEmpty())
            return;
        Recall recall(m_journal.store(), m_ui->EditTexte->text());
        exportRecallPdf(recall, path, QDateTime::currentDateTimeUtc());
    });
}

} // namespace pelorin::journal
