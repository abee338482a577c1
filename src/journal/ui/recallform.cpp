#include "journal/ui/recallform.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "journal/journal.h"
#include "journal/journalreader.h"
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

RecallForm::RecallForm(JournalReader& reader, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RecallForm>()), m_reader(reader)
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

namespace {

// The report's rows, as read on the reader's thread.
struct RecallRows
{
    QList<QStringList> prints;
    QList<QStringList> scans;
    QList<QStringList> totals;
};

} // namespace

void RecallForm::search()
{
    if (!haveText())
        return;
    const quint64 generation = ++m_generation;
    m_ui->LabelEtat->setText(QStringLiteral("Recherche…"));
    m_reader.ask(
        this,
        [self = this, generation, text = m_ui->EditTexte->text()](Journal& journal) -> JournalReader::Reply {
            if (journal.pending() > 0)
                journal.flush(true);
            Recall recall(journal.store(), text);
            RecallRows rows;
            recall.forEachPrint([&](const Entry& e) { rows.prints << Recall::printCells(e, Reader::Person); });
            recall.forEachScan([&](const Entry& e) { rows.scans << Recall::scanCells(e, Reader::Person); });
            const ReconcileTotals total =
                recall.forEachTotal([&](const ReconcileRow& r) { rows.totals << Recall::totalCells(r); });
            rows.totals << Recall::sumCells(total);
            return [self, generation, rows] {
                // a report asked for after this one shows instead
                if (generation != self->m_generation)
                    return;
                Ui::RecallForm& ui = *self->m_ui;
                ui.LabelEtat->clear();
                startTable(ui.TableImpressions, Recall::printHeaders());
                startTable(ui.TableLectures, Recall::scanHeaders());
                startTable(ui.TableTotaux, Recall::totalHeaders());
                for (const QStringList& cells : rows.prints)
                    addRow(ui.TableImpressions, cells);
                for (const QStringList& cells : rows.scans)
                    addRow(ui.TableLectures, cells);
                for (qsizetype i = 0; i < rows.totals.size(); ++i)
                    addRow(ui.TableTotaux, rows.totals[i], i == rows.totals.size() - 1);
                for (QTableWidget* t : {ui.TableImpressions, ui.TableLectures, ui.TableTotaux})
                    t->resizeColumnsToContents();
                emit self->searched();
            };
        },
        [this, generation](const QString& message) {
            if (generation != m_generation)
                return;
            m_ui->LabelEtat->setText(QStringLiteral("Échec de la recherche"));
            Dialogs::error(this, message);
        });
}

void RecallForm::exportTo(const QString& path, std::function<void(Recall&)> write)
{
    m_reader.ask(
        this,
        [self = this, text = m_ui->EditTexte->text(), path,
         write = std::move(write)](Journal& journal) -> JournalReader::Reply {
            Recall recall(journal.store(), text);
            write(recall);
            return [self, path] { emit self->exported(path); };
        },
        [this](const QString& message) { Dialogs::error(this, message); });
}

void RecallForm::exportCsv()
{
    if (!haveText())
        return;
    const QString path =
        Dialogs::saveFileName(this, QStringLiteral("Exporter le rappel en CSV"),
                              QDir(recallFolder()).filePath(recallFileName(m_ui->EditTexte->text(), "csv")),
                              QStringLiteral("Fichier CSV (*.csv);;Tous (*.*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    exportTo(path, [path](Recall& recall) {
        exportRecallCsv(recall, path, CsvEncoding::Utf8Bom, QDateTime::currentDateTimeUtc());
    });
}

void RecallForm::exportPdf()
{
    if (!haveText())
        return;
    const QString path =
        Dialogs::saveFileName(this, QStringLiteral("Exporter le rappel en PDF"),
                              QDir(recallFolder()).filePath(recallFileName(m_ui->EditTexte->text(), "pdf")),
                              QStringLiteral("Document PDF (*.pdf);;Tous (*.*)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    exportTo(path, [path](Recall& recall) { exportRecallPdf(recall, path, QDateTime::currentDateTimeUtc()); });
}

} // namespace pelorin::journal
