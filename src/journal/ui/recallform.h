#pragma once
#include <QDialog>
#include <functional>
#include <memory>

namespace Ui {
class RecallForm;
}
class QTableWidget;

namespace pelorin::journal {
class Recall;
}

// The window "Rappel": a code, or a part of one such as a lot, and what the journal knows of it: the
// sheets that carried it, its reads, and its labels printed against its labels read; with its
// exports to CSV and to paper. The report is read by the journal window's reader, off the window's
// thread.
namespace pelorin::journal {

class JournalReader;

class RecallForm : public QDialog
{
    Q_OBJECT

public:
    explicit RecallForm(JournalReader& reader, QWidget* parent = nullptr);
    ~RecallForm() override;

    void setText(const QString& text);
    // "Chercher": asks for the report of the text typed; the tables fill when it comes (searched()).
    void search();
    void exportCsv();
    void exportPdf();
    QTableWidget* printsTable() const;
    QTableWidget* scansTable() const;
    QTableWidget* totalsTable() const;

signals:
    void searched();
    void exported(const QString& path);

private:
    // The text typed, or a message when none.
    bool haveText();
    void exportTo(const QString& path, std::function<void(Recall&)> write);

    std::unique_ptr<Ui::RecallForm> m_ui;
    JournalReader& m_reader;
    quint64 m_generation = 0; // the last report asked for: an earlier one that comes later is dropped
};

} // namespace pelorin::journal
