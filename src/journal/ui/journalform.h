#pragma once
#include <QDialog>
#include <memory>
#include <optional>

#include "journal/reprint.h"
#include "journal/search.h"

namespace Ui {
class JournalForm;
}

// The journal window "Journal": the filters, the table of what they select (fetched by pages as it
// scrolls), the reconciliation views and the exports of what is shown.
namespace pelorin::journal {

class Journal;
class JournalModel;

class JournalForm : public QDialog
{
    Q_OBJECT

public:
    explicit JournalForm(Journal& journal, QWidget* parent = nullptr);
    ~JournalForm() override;

    // "Chercher": reads the filters and shows the first rows of the chosen view.
    void Chercher();
    // "Exporter en CSV…", "Exporter en PDF…": every row the filters select, through a save dialog.
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

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showCount();
    void updateReprint();

    std::unique_ptr<Ui::JournalForm> m_ui;
    Journal& m_journal;
    JournalModel* m_model;
    // the reconciliation view's totals, read once per search
    std::optional<ReconcileTotals> m_totals;
    PagePrinter m_printer;
};

} // namespace pelorin::journal
