#pragma once
#include "scan/decode.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The scan sheet: one row per read with its seven decoded texts and, for a read that is not a whole
// code that decodes, why (readProblem), and an empty last row below them that the next read fills. Row 0 of the sheet,
// the column headers, is the view's header, so the model's row i is the sheet's row i + 1 and shows the number i + 1 in
// column 0.
namespace pelorin {

class ScanGrid : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        ColScan,
        ColCode,
        ColSysteme,
        ColMasse,
        ColBoite,
        ColCouleur,
        ColParfum,
        ColUsine,
        ColDate,
        ColErreur
    };
    static constexpr int kColumnCount = 10;

    // Rows are decoded by `decoder`, which must outlive the sheet.
    explicit ScanGrid(const CodeDecoder& decoder, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The sheet's own row count, header included: n codes give n + 2 rows.
    int gridRowCount() const { return int(m_rows.size()) + 2; }
    int codeCount() const { return int(m_rows.size()); }
    // The text of a cell of the sheet (row 0 is the header, the last row is empty).
    QString cell(int gridRow, int column) const;
    // Column 1 of the code rows, in order.
    QStringList codes() const;

    // Adds one read below the others, decoded.
    void addRow(const QString& code);
    // Adds the reads in order as one insertion, so that a view lays out and repaints once. Every read
    // goes in as it came, one row each, whatever it holds: a date that cannot be decoded leaves its
    // cell empty and says so in the row's Erreur cell. A configuration that cannot be read stops at
    // its read: the rows before it are in, and its error is thrown. Returns the number of rows added.
    int appendCodes(const QStringList& codes);
    // The decoded texts of code row `index` (from 0), its date conversion error (empty when the date
    // decoded) and why it is a read to check (empty for a whole code that decodes).
    const DecodedTexts& decodedTexts(int index) const { return m_rows.at(index).texts; }
    const QString& dateError(int index) const { return m_rows.at(index).dateError; }
    const QString& problem(int index) const { return m_rows.at(index).problem; }
    // The rows that are reads to check.
    int problemCount() const { return m_problemCount; }
    // Leaves the header and one empty row.
    void clear();

private:
    struct Row
    {
        QString code;
        DecodedTexts texts;
        QString dateError;
        QString problem;
    };

    const CodeDecoder& m_decoder;
    QList<Row> m_rows;
    int m_problemCount = 0;
};

} // namespace pelorin
