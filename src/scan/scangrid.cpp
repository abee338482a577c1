#include "scan/scangrid.h"

#include "base/error.h"

#include <QColor>

namespace pelorin {

namespace {

const char* const kHeaders[ScanGrid::kColumnCount] = {"Scan",    "ScanCode", "Système", "Masse", "Boite",
                                                      "Couleur", "Parfum",   "Usine",   "Date",  "Erreur"};

} // namespace

ScanGrid::ScanGrid(const CodeDecoder& decoder, QObject* parent) : QAbstractTableModel(parent), m_decoder(decoder) {}

int ScanGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size()) + 1;
}

int ScanGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant ScanGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(index.column() == ColScan ? Qt::AlignHCenter | Qt::AlignTop
                                                             : Qt::AlignLeft | Qt::AlignTop);
    if (role == Qt::ForegroundRole) {
        // a read to check stands out in red, every cell of its row
        const int row = index.row();
        if (row < m_rows.size() && !m_rows.at(row).problem.isEmpty())
            return QColor(Qt::red);
        return QVariant();
    }
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole)
        return QVariant();
    return cell(index.row() + 1, index.column());
}

QVariant ScanGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromUtf8(kHeaders[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignCenter);
    return QVariant();
}

QString ScanGrid::cell(int gridRow, int column) const
{
    if (column < 0 || column >= kColumnCount || gridRow < 0)
        return QString();
    if (gridRow == 0)
        return QString::fromUtf8(kHeaders[column]);
    if (gridRow > m_rows.size())
        return QString();
    const Row& row = m_rows.at(gridRow - 1);
    switch (column) {
    case ColScan:
        return QString::number(gridRow);
    case ColCode:
        return row.code;
    case ColErreur:
        return row.problem;
    default:
        return row.texts[size_t(column - ColSysteme)];
    }
}

QStringList ScanGrid::codes() const
{
    QStringList list;
    list.reserve(m_rows.size());
    for (const Row& row : m_rows)
        list << row.code;
    return list;
}

void ScanGrid::addRow(const QString& code)
{
    appendCodes(QStringList{code});
}

int ScanGrid::appendCodes(const QStringList& codes)
{
    QList<Row> added;
    added.reserve(codes.size());
    QString failure;
    int problems = 0;
    const DecodeBatch batch(m_decoder);
    for (const QString& code : codes) {
        try {
            Row row{code, {}, {}, {}};
            row.texts = m_decoder.decodeAll(code, &row.dateError);
            row.problem = readProblem(code, row.texts, row.dateError);
            if (!row.problem.isEmpty())
                ++problems;
            added << std::move(row);
        } catch (const Error& e) {
            // a configuration that cannot be read: the rows before this code still go in
            failure = e.message();
            break;
        }
    }
    const int count = int(added.size());
    if (count > 0) {
        // the rows go in above the empty last row, which stays last
        const int first = int(m_rows.size());
        beginInsertRows(QModelIndex(), first, first + count - 1);
        m_rows.append(std::move(added));
        m_problemCount += problems;
        endInsertRows();
    }
    if (!failure.isEmpty())
        throw Error(failure);
    return count;
}

void ScanGrid::clear()
{
    beginResetModel();
    m_rows.clear();
    m_problemCount = 0;
    endResetModel();
}

} // namespace pelorin
