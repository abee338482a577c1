#include "scan/scangrid.h"

#include "base/error.h"

namespace pelorin {

namespace {

const char* const kHeaders[ScanGrid::kColumnCount] = {"Scan",    "ScanCode", "Système", "Masse", "Boite",
                                                      "Couleur", "Parfum",   "Usine",   "Date"};

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

void ScanGrid::ajouterligne(const QString& code)
{
    appendCodes(QStringList{code});
}

int ScanGrid::appendCodes(const QStringList& codes)
{
    QList<Row> added;
    added.reserve(codes.size());
    QString dateError, failure;
    const DecodeBatch batch(m_decoder);
    for (const QString& code : codes) {
        try {
            Row row{code, {}, {}};
            row.texts = m_decoder.decodeAll(code, &row.dateError);
            if (dateError.isEmpty())
                dateError = row.dateError;
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
        endInsertRows();
    }
    if (!failure.isEmpty())
        throw Error(failure);
    if (!dateError.isEmpty())
        throw Error(dateError);
    return count;
}

void ScanGrid::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

} // namespace pelorin
