#include "journal/ui/journalmodel.h"

#include "base/error.h"
#include "journal/recall.h"

namespace pelorin::journal {

JournalModel::JournalModel(QObject* parent) : QAbstractTableModel(parent) {}

void JournalModel::reset(Database& db, const Filter& filter, View view)
{
    beginResetModel();
    m_search = std::make_unique<Search>(db, filter);
    m_view = view;
    m_rows.clear();
    m_codes.clear();
    m_reconciled.clear();
    m_more = false;
    m_incomplete = false;
    try {
        if (view == View::Entries)
            m_rows = m_search->entries(kPage);
        else if (view == View::Reconciliation)
            m_reconciled = m_search->reconciled(kPage);
        else
            m_codes = m_search->codes(view, kPage);
        m_more = rowCount() == kPage;
    } catch (...) {
        m_incomplete = true;
        endResetModel();
        throw;
    }
    endResetModel();
}

const Row* JournalModel::entryAt(int row) const
{
    if (m_view != View::Entries || row < 0 || row >= m_rows.size())
        return nullptr;
    return &m_rows[row];
}

int JournalModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    switch (m_view) {
    case View::Entries:
        return int(m_rows.size());
    case View::Reconciliation:
        return int(m_reconciled.size());
    case View::PrintedNotScanned:
    case View::ScannedNotPrinted:
        break;
    }
    return int(m_codes.size());
}

QStringList JournalModel::headers(View view)
{
    switch (view) {
    case View::Entries:
        return entryHeaders();
    case View::Reconciliation:
        return Recall::totalHeaders();
    case View::PrintedNotScanned:
    case View::ScannedNotPrinted:
        break;
    }
    return codeHeaders();
}

int JournalModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return int(headers(m_view).size());
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    QString cell;
    if (m_view == View::Entries) {
        const QList<const Column*>& columns = shownColumns();
        if (index.column() < columns.size())
            cell = columns[index.column()]->cell(m_rows.at(index.row()).entry);
    } else if (m_view == View::Reconciliation) {
        cell = Recall::totalCells(m_reconciled.at(index.row())).value(index.column());
    } else {
        cell = codeCells(m_codes.at(index.row())).value(index.column());
    }
    if (role == Qt::DisplayRole)
        cell.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    return cell;
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return headers(m_view).value(section);
}

bool JournalModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_more && m_search;
}

void JournalModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    try {
        if (m_view == View::Entries) {
            const Row last = m_rows.last();
            const QList<Row> page = m_search->entries(kPage, &last);
            m_more = page.size() == kPage;
            if (page.isEmpty())
                return;
            beginInsertRows(QModelIndex(), int(m_rows.size()), int(m_rows.size() + page.size() - 1));
            m_rows += page;
            endInsertRows();
        } else if (m_view == View::Reconciliation) {
            const QList<ReconcileRow> page = m_search->reconciled(kPage, m_reconciled.last().code);
            m_more = page.size() == kPage;
            if (page.isEmpty())
                return;
            beginInsertRows(QModelIndex(), int(m_reconciled.size()), int(m_reconciled.size() + page.size() - 1));
            m_reconciled += page;
            endInsertRows();
        } else {
            const QList<CodeRow> page = m_search->codes(m_view, kPage, m_codes.size());
            m_more = page.size() == kPage;
            if (page.isEmpty())
                return;
            beginInsertRows(QModelIndex(), int(m_codes.size()), int(m_codes.size() + page.size() - 1));
            m_codes += page;
            endInsertRows();
        }
    } catch (...) {
        m_more = false;
        m_incomplete = true;
        emit failed(currentErrorMessage());
    }
}

} // namespace pelorin::journal
