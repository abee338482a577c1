#pragma once
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "journal/reprint.h"
#include "journal/search.h"
#include "journal/settings.h"

namespace Ui {
class JournalForm;
}

// The journal window "Journal": the filters, the table of what they select (fetched by pages as it
// scrolls), the reconciliation views and the exports of what is shown. Every read of the journal runs
// on the window's reader, off its thread: the window says it is working and stays usable while a
// server is slow to answer, or never does.
namespace pelorin::journal {

class JournalModel;
class JournalReader;

class JournalForm : public QDialog
{
    Q_OBJECT

public:
    // The journal the settings name (its outbox in `folder`, journalFolder() when empty).
    explicit JournalForm(const Settings& settings, const QString& folder = QString(), QWidget* parent = nullptr);
    ~JournalForm() override;

    // "Chercher": reads the filters and asks for the first rows of the chosen view.
    void Chercher();
    // "Exporter en CSV…", "Exporter en PDF…": every row the filters select, through a save dialog;
    // exported() once the file is written.
    void ExportCsv();
    void ExportPdf();
    // "Rappel…": the recall window, on the code typed in the filter if any.
    void Rappel();

    // "Réimprimer": the print chosen in the table printed again through the program's printer (on
    // the default printer), recorded as a reprint. Enabled on a print whose description was kept,
    // once the program has given its printer.
    void Reimprimer();
    void setPagePrinter(PagePrinter printer);

    Filter filter() const;
    View view() const;
    JournalModel* model() const { return m_model; }
    JournalReader& reader() const { return *m_reader; }

signals:
    void exported(const QString& path);
    // A reprint has been printed and recorded.
    void reprinted();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCount();
    void updateReprint();
    void exportTo(const QString& path, std::function<void(Search&)> write);

    std::unique_ptr<Ui::JournalForm> m_ui;
    std::unique_ptr<JournalReader> m_reader;
    JournalModel* m_model;
    PagePrinter m_printer;
    bool m_connected = false; // the reader has had an answer from the store
};

} // namespace pelorin::journal
