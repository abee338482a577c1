#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class RecallForm;
}
class QTableWidget;

// The window "Rappel": a code, or a part of one such as a lot, and what the journal knows of it: the
// sheets that carried it, its reads, and its labels printed against its labels read; with its
// exports to CSV and to paper.
namespace pelorin::journal {

class Journal;

class RecallForm : public QDialog
{
    Q_OBJECT

public:
    explicit RecallForm(Journal& journal, QWidget* parent = nullptr);
    ~RecallForm() override;

    void setText(const QString& text);
    // "Chercher": the report of the text typed.
    void search();
    void exportCsv();
    void exportPdf();
    QTableWidget* printsTable() const;
    QTableWidget* scansTable() const;
    QTableWidget* totalsTable() const;

private:
    // The text typed, or a message when none.
    bool haveText();

    std::unique_ptr<Ui::RecallForm> m_ui;
    Journal& m_journal;
};

} // namespace pelorin::journal
