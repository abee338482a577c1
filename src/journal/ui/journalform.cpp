#include "journal/ui/journalform.h"

#include "base/ui/dialogs.h"
#include "journal/database.h"
#include "journal/export.h"
#include "journal/journal.h"
#include "journal/ui/journalmodel.h"
#include "ui_journalform.h"

#include <QDir>
#include <QHeaderView>
#include <QStandardPaths>

namespace pelorin::journal {

JournalForm::JournalForm(Journal& journal, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::JournalForm>()), m_journal(journal), m_model(new JournalModel(this))
{
    m_ui->setupUi(this);
    m_ui->TableJournal->setModel(m_model);
    m_ui->TableJournal->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_ui->TableJournal->verticalHeader()->hide();
    // where the entries come from, so that a workstation journalling elsewhere than meant shows it
    m_ui->LabelSource->setText(m_journal.sourceLine());
    const QDateTime now = QDateTime::currentDateTime();
    m_ui->DateProduction->setDate(now.date());
    m_ui->DateDebut->setDateTime(QDateTime(now.date(), QTime(0, 0)));
    m_ui->DateFin->setDateTime(now);
    for (auto [check, edit] : {std::pair<QCheckBox*, QWidget*>{m_ui->CheckProduction, m_ui->DateProduction},
                               {m_ui->CheckDebut, m_ui->DateDebut},
                               {m_ui->CheckFin, m_ui->DateFin}}) {
        edit->setEnabled(false);
        connect(check, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    }
    m_ui->ButtonChercher->setDefault(true);
    connect(m_ui->ButtonChercher, &QPushButton::clicked, this, &JournalForm::Chercher);
    connect(m_ui->ButtonCsv, &QPushButton::clicked, this, &JournalForm::ExportCsv);
    connect(m_ui->ButtonPdf, &QPushButton::clicked, this, &JournalForm::ExportPdf);
    connect(m_ui->ButtonFermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->ComboVue, &QComboBox::currentIndexChanged, this, &JournalForm::Chercher);
    connect(m_model, &JournalModel::failed, this, [this](const QString& message) { Dialogs::error(this, message); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &JournalForm::showCount);
}

JournalForm::~JournalForm() = default;

void JournalForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Chercher();
}

Filter JournalForm::filter() const
{
    Filter f;
    // the texts as typed: a blank may belong to what is searched
    f.code = m_ui->EditCode->text();
    f.system = m_ui->EditSysteme->text();
    f.perfume = m_ui->EditParfum->text();
    f.place = m_ui->EditUsine->text();
    f.workstation = m_ui->EditPoste->text();
    if (m_ui->CheckProduction->isChecked())
        f.productionDate = m_ui->DateProduction->date();
    if (m_ui->CheckDebut->isChecked())
        f.from = m_ui->DateDebut->dateTime().toUTC();
    if (m_ui->CheckFin->isChecked())
        f.to = m_ui->DateFin->dateTime().addSecs(60).toUTC(); // the minute shown, included
    // in the order of the list: "Tout", then each kind
    static const std::optional<EntryKind> kinds[] = {std::nullopt, EntryKind::Print, EntryKind::Scan,
                                                     EntryKind::Misread};
    const int type = m_ui->ComboType->currentIndex();
    if (type >= 0 && type < int(std::size(kinds)))
        f.kind = kinds[type];
    return f;
}

View JournalForm::view() const
{
    switch (m_ui->ComboVue->currentIndex()) {
    case 1:
        return View::PrintedNotScanned;
    case 2:
        return View::ScannedNotPrinted;
    default:
        return View::Entries;
    }
}

void JournalForm::Chercher()
{
    guarded(this, [&] {
        m_journal.flush(true);
        m_model->reset(m_journal.store(), filter(), view());
        m_ui->TableJournal->resizeColumnsToContents();
        showCount();
    });
}

void JournalForm::showCount()
{
    const int shown = m_model->rowCount();
    if (!m_model->search()) {
        m_ui->LabelCompte->clear();
        return;
    }
    if (m_model->view() == View::Entries) {
        m_ui->LabelCompte->setText(m_model->canFetchMore()
                                       ? QStringLiteral("%1 entrées affichées, d'autres suivent").arg(shown)
                                       : QStringLiteral("%1 entrées").arg(shown));
        return;
    }
    qint64 total = shown;
    if (m_model->canFetchMore()) {
        try {
            total = m_model->search()->countCodes(m_model->view());
        } catch (const Error&) {
        }
    }
    m_ui->LabelCompte->setText(QStringLiteral("%1 codes").arg(total));
}

namespace {

QString documentsFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return folder;
}

} // namespace

void JournalForm::ExportCsv()
{
    guarded(this, [&] {
        const QString path =
            Dialogs::saveFileName(this, QStringLiteral("Exporter le journal en CSV"),
                                  QDir(documentsFolder()).filePath(QStringLiteral("journal.csv")),
                                  QStringLiteral("Fichier CSV (*.csv);;Tous (*.*)"), QStringLiteral("csv"));
        if (path.isEmpty())
            return;
        Search search(m_journal.store(), filter());
        exportCsv(search, view(), path,
                  m_ui->ComboEncodage->currentIndex() == 1 ? CsvEncoding::Utf8Bom : CsvEncoding::Windows1252);
    });
}

void JournalForm::ExportPdf()
{
    guarded(this, [&] {
        const QString path =
            Dialogs::saveFileName(this, QStringLiteral("Exporter le journal en PDF"),
                                  QDir(documentsFolder()).filePath(QStringLiteral("journal.pdf")),
                                  QStringLiteral("Document PDF (*.pdf);;Tous (*.*)"), QStringLiteral("pdf"));
        if (path.isEmpty())
            return;
        Search search(m_journal.store(), filter());
        exportPdf(search, view(), path, QStringLiteral("Journal — %1").arg(m_ui->ComboVue->currentText()));
    });
}

} // namespace pelorin::journal
