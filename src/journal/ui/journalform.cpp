#include "journal/ui/journalform.h"

#include "base/ui/dialogs.h"
#include "journal/database.h"
#include "journal/export.h"
#include "journal/journal.h"
#include "journal/journalreader.h"
#include "journal/ui/journalmodel.h"
#include "journal/ui/recallform.h"
#include "ui_journalform.h"

#include "base/typeddate.h"

#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStandardPaths>

namespace pelorin::journal {

namespace {

// A date filter takes a date typed in digits with its separators ("14/07/2025", "14.07.2025",
// "14072025"), as the main window's date does: freshly focused or with its text all selected, what
// is typed is a whole date, shown as typed and taken once its year is complete; the time of the
// picker is kept. A date that no calendar has is refused with the reason, the filter unchanged, and
// stays in sight to be corrected (Backspace) or dropped (Escape).
class TypedDateFilter : public QObject
{
public:
    explicit TypedDateFilter(QDateTimeEdit* edit) : QObject(edit), m_edit(edit) { edit->installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::FocusIn:
            drop();
            m_armed = true;
            break;
        case QEvent::FocusOut:
            drop();
            m_armed = false;
            break;
        case QEvent::MouseButtonPress:
            drop();
            m_armed = false;
            break;
        case QEvent::KeyPress:
            return key(static_cast<QKeyEvent*>(event));
        default:
            break;
        }
        return false;
    }

private:
    bool key(QKeyEvent* event)
    {
        const QString text = event->text();
        const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        const QChar c = text.size() == 1 ? text.at(0) : QChar();
        const bool digit = plain && c >= u'0' && c <= u'9';
        const bool typing = !m_typed.isEmpty();
        if ((digit && (m_armed || typing)) || (typing && plain && isDateSeparator(c))) {
            // what follows a refused date waits for it to be corrected or dropped
            if (!m_refused)
                type(c);
            return true;
        }
        if (typing && event->key() == Qt::Key_Backspace) {
            m_typed.chop(1);
            const TypedDate::State state = readTypedDate(m_typed).state;
            m_refused = state == TypedDate::State::Impossible || state == TypedDate::State::Malformed;
            show(m_typed.isEmpty() ? shownDate() : m_typed);
            return true;
        }
        if (typing && event->key() == Qt::Key_Escape) {
            drop();
            return true;
        }
        if (typing)
            drop();
        m_armed = event->matches(QKeySequence::SelectAll) ||
                  (event->key() == Qt::Key_Home && !(event->modifiers() & Qt::ShiftModifier));
        return false;
    }

    void type(QChar c)
    {
        const QString typed = m_typed + c;
        const TypedDate read = readTypedDate(typed);
        switch (read.state) {
        case TypedDate::State::Complete:
            m_typed.clear();
            m_armed = false;
            m_edit->setDate(read.date);
            show(shownDate());
            return;
        case TypedDate::State::Impossible:
        case TypedDate::State::Malformed:
            // kept in sight, for the operator to correct (Backspace) or drop (Escape); the filter's
            // date is untouched
            m_typed = typed;
            m_refused = true;
            show(m_typed);
            Dialogs::error(m_edit, read.message);
            return;
        case TypedDate::State::Empty:
        case TypedDate::State::Partial:
            break;
        }
        m_typed = typed;
        show(m_typed);
    }

    QString shownDate() const { return m_edit->dateTime().toString(m_edit->displayFormat()); }

    void show(const QString& text)
    {
        QLineEdit* line = m_edit->findChild<QLineEdit*>();
        if (!line)
            return;
        const QSignalBlocker block(line);
        line->setText(text);
        line->setCursorPosition(int(text.size()));
    }

    void drop()
    {
        m_refused = false;
        if (m_typed.isEmpty())
            return;
        m_typed.clear();
        show(shownDate());
    }

    QDateTimeEdit* m_edit;
    QString m_typed;
    bool m_armed = false;
    bool m_refused = false;
};

} // namespace

JournalForm::JournalForm(const Settings& settings, const QString& folder, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::JournalForm>()),
      m_reader(std::make_unique<JournalReader>(settings, folder)), m_model(new JournalModel(*m_reader, this))
{
    m_ui->setupUi(this);
    m_ui->TableJournal->setModel(m_model);
    m_ui->TableJournal->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_ui->TableJournal->verticalHeader()->hide();
    // where the entries come from, so that a workstation journalling elsewhere than meant shows it
    m_ui->LabelSource->setText(m_reader->sourceLine());
    const QDateTime now = QDateTime::currentDateTime();
    m_ui->DateProduction->setDate(now.date());
    m_ui->DateDebut->setDateTime(QDateTime(now.date(), QTime(0, 0)));
    m_ui->DateFin->setDateTime(now);
    for (auto [check, edit] : {std::pair<QCheckBox*, QDateTimeEdit*>{m_ui->CheckProduction, m_ui->DateProduction},
                               {m_ui->CheckDebut, m_ui->DateDebut},
                               {m_ui->CheckFin, m_ui->DateFin}}) {
        edit->setEnabled(false);
        connect(check, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        new TypedDateFilter(edit);
    }
    // Tab moves between the cells; Ctrl+Tab and Ctrl+Shift+Tab leave the table, as in Qt's own views
    m_ui->TableJournal->installEventFilter(this);
    m_ui->ButtonChercher->setDefault(true);
    connect(m_ui->ButtonChercher, &QPushButton::clicked, this, &JournalForm::Chercher);
    connect(m_ui->ButtonCsv, &QPushButton::clicked, this, &JournalForm::ExportCsv);
    connect(m_ui->ButtonPdf, &QPushButton::clicked, this, &JournalForm::ExportPdf);
    connect(m_ui->ButtonFermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->ButtonRappel, &QPushButton::clicked, this, &JournalForm::Rappel);
    connect(m_ui->ComboVue, &QComboBox::currentIndexChanged, this, &JournalForm::Chercher);
    connect(m_model, &JournalModel::failed, this, [this](const QString& message) {
        showCount();
        Dialogs::error(this, message);
    });
    connect(m_model, &JournalModel::searchedPage, this, [this] {
        m_connected = true;
        m_ui->TableJournal->resizeColumnsToContents();
        showCount();
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &JournalForm::showCount);
    connect(m_ui->ButtonReimprimer, &QPushButton::clicked, this, &JournalForm::Reimprimer);
    connect(m_ui->TableJournal->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &JournalForm::updateReprint);
    connect(m_model, &QAbstractItemModel::modelReset, this, &JournalForm::updateReprint);
    updateReprint();
}

JournalForm::~JournalForm() = default;

bool JournalForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->TableJournal && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() & Qt::ControlModifier && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            const bool back = key->key() == Qt::Key_Backtab || key->modifiers() & Qt::ShiftModifier;
            focusNextPrevChild(!back);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

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
    case 3:
        return View::Reconciliation;
    default:
        return View::Entries;
    }
}

void JournalForm::Chercher()
{
    m_model->reset(filter(), view());
    showCount();
}

void JournalForm::setPagePrinter(PagePrinter printer)
{
    m_printer = std::move(printer);
    updateReprint();
}

void JournalForm::updateReprint()
{
    const Row* row = m_model->entryAt(m_ui->TableJournal->currentIndex().row());
    m_ui->ButtonReimprimer->setEnabled(m_printer && row && canReprint(row->entry));
}

void JournalForm::Reimprimer()
{
    const Row* row = m_model->entryAt(m_ui->TableJournal->currentIndex().row());
    if (!m_printer || !row || !canReprint(row->entry))
        return;
    const QString id = row->entry.id;
    const auto showError = [this](const QString& message) { Dialogs::error(this, message); };
    // the page is looked up by the reader, printed here with the program's printer, and its record
    // written by the reader again: only the print itself runs on the window's thread
    m_reader->ask(
        this,
        [self = this, id](Journal& journal) -> JournalReader::Reply {
            const PageToReprint page = pageToReprint(journal.store(), id);
            return [self, page] {
                guarded(self, [&] {
                    const Entry entry = reprintEntry(page, self->m_printer(page, QString()));
                    self->m_reader->ask(
                        self,
                        [self, entry](Journal& journal) -> JournalReader::Reply {
                            const QString message = journal.record(entry).message;
                            return [self, message] {
                                if (!message.isEmpty())
                                    Dialogs::error(self, message);
                                emit self->reprinted();
                                self->Chercher();
                            };
                        },
                        [self](const QString& message) { Dialogs::error(self, message); });
                });
            };
        },
        showError);
}

void JournalForm::showCount()
{
    const int shown = m_model->rowCount();
    if (m_model->busy()) {
        m_ui->LabelCompte->setText(m_connected ? QStringLiteral("Recherche…")
                                               : QStringLiteral("Connexion au journal…"));
        return;
    }
    if (m_model->incomplete()) {
        m_ui->LabelCompte->setText(
            QStringLiteral("%1 lignes affichées : liste incomplète, le journal n'a pas pu être lu jusqu'au bout")
                .arg(shown));
        return;
    }
    if (!m_model->searched()) {
        m_ui->LabelCompte->clear();
        return;
    }
    if (m_model->view() == View::Entries) {
        m_ui->LabelCompte->setText(m_model->canFetchMore()
                                       ? QStringLiteral("%1 entrées affichées, d'autres suivent").arg(shown)
                                       : QStringLiteral("%1 entrées").arg(shown));
        return;
    }
    if (m_model->view() == View::Reconciliation) {
        if (const std::optional<ReconcileTotals>& totals = m_model->totals()) {
            const ReconcileTotals& t = *totals;
            m_ui->LabelCompte->setText(QStringLiteral("%1 codes : %2 étiquettes imprimées, %3 lues, %4 jamais lues, "
                                                      "%5 lues sans impression")
                                           .arg(t.codes)
                                           .arg(t.printed)
                                           .arg(t.scanned)
                                           .arg(t.missing)
                                           .arg(t.unexpected));
        }
        return;
    }
    m_ui->LabelCompte->setText(QStringLiteral("%1 codes").arg(std::max<qint64>(shown, m_model->codeCount())));
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

void JournalForm::exportTo(const QString& path, std::function<void(Search&)> write)
{
    // the rows are read and written by the reader; the window hears when the file is whole
    m_reader->ask(
        this,
        [self = this, filter = filter(), path, write = std::move(write)](Journal& journal) -> JournalReader::Reply {
            Search search(journal.store(), filter);
            write(search);
            return [self, path] { emit self->exported(path); };
        },
        [this](const QString& message) { Dialogs::error(this, message); });
}

void JournalForm::ExportCsv()
{
    const QString path =
        Dialogs::saveFileName(this, QStringLiteral("Exporter le journal en CSV"),
                              QDir(documentsFolder()).filePath(QStringLiteral("journal.csv")),
                              QStringLiteral("Fichier CSV (*.csv);;Tous (*.*)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    const CsvEncoding encoding =
        m_ui->ComboEncodage->currentIndex() == 1 ? CsvEncoding::Utf8Bom : CsvEncoding::Windows1252;
    exportTo(path, [view = view(), path, encoding](Search& search) { exportCsv(search, view, path, encoding); });
}

void JournalForm::ExportPdf()
{
    const QString path =
        Dialogs::saveFileName(this, QStringLiteral("Exporter le journal en PDF"),
                              QDir(documentsFolder()).filePath(QStringLiteral("journal.pdf")),
                              QStringLiteral("Document PDF (*.pdf);;Tous (*.*)"), QStringLiteral("pdf"));
    if (path.isEmpty())
        return;
    const QString title = QStringLiteral("Journal — %1").arg(m_ui->ComboVue->currentText());
    exportTo(path, [view = view(), path, title](Search& search) { exportPdf(search, view, path, title); });
}

void JournalForm::Rappel()
{
    // a window of its own beside the journal's, which stays usable
    auto* recall = new RecallForm(*m_reader, this);
    recall->setAttribute(Qt::WA_DeleteOnClose);
    recall->setText(m_ui->EditCode->text());
    recall->show();
    if (!m_ui->EditCode->text().isEmpty())
        recall->search();
}

} // namespace pelorin::journal
