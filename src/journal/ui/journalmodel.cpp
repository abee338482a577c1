#include "journal/ui/journalmodel.h"

#include "base/error.h"
#include "journal/journal.h"
#include "journal/journalreader.h"
#include "journal/recall.h"

namespace pelorin::journal {

// One page of a view as the reader's thread reads it.
struct JournalModel::Page
{
    quint64 generation = 0;
    QList<Row> rows;
    QList<CodeRow> codes;
    QList<ReconcileRow> reconciled;
    std::optional<ReconcileTotals> totals;
    qint64 codeCount = 0;
    qint64 size() const { return rows.size() + codes.size() + reconciled.size(); }
};

JournalModel::JournalModel(JournalReader& reader, QObject* parent)
    : QAbstractTableModel(parent), m_reader(reader), m_latest(std::make_shared<std::atomic<quint64>>(0))
{
}

void JournalModel::reset(const Filter& filter, View view)
{
    beginResetModel();
    m_filter = filter;
    m_view = view;
    m_rows.clear();
    m_codes.clear();
    m_reconciled.clear();
    m_totals.reset();
    m_codeCount = 0;
    m_more = false;
    m_fetching = false;
    m_busy = true;
    m_searched = false;
    m_incomplete = false;
    endResetModel();
    const quint64 generation = ++m_generation;
    m_latest->store(generation);
    m_reader.ask(
        this,
        [self = this, latest = m_latest, generation, filter, view](Journal& journal) -> JournalReader::Reply {
            // a search asked again before this one began: only the last one is read
            if (latest->load() != generation)
                return {};
            // what waits in the outbox belongs in the list
            if (journal.pending() > 0)
                journal.flush(true);
            Search search(journal.store(), filter);
            Page page;
            page.generation = generation;
            if (view == View::Entries) {
                page.rows = search.entries(kPage);
            } else if (view == View::Reconciliation) {
                page.reconciled = search.reconciled(kPage);
                page.totals = search.reconciledTotals();
            } else {
                page.codes = search.codes(view, kPage);
                page.codeCount = page.codes.size() == kPage ? search.countCodes(view) : page.codes.size();
            }
            // `self` is only used on the window's thread, once it is known to be alive
            return [self, page] { self->showPage(page, true); };
        },
        [this, generation](const QString& message) { fail(generation, message); });
}

void JournalModel::showPage(const Page& page, bool first)
{
    // a page of an earlier search never lands in the list of a later one
    if (page.generation != m_generation)
        return;
    m_more = page.size() == kPage;
    if (first) {
        beginResetModel();
        m_rows = page.rows;
        m_codes = page.codes;
        m_reconciled = page.reconciled;
        m_totals = page.totals;
        m_codeCount = page.codeCount;
        m_busy = false;
        m_searched = true;
        endResetModel();
        emit searchedPage();
        return;
    }
    m_fetching = false;
    if (page.size() == 0)
        return;
    const int from = rowCount();
    beginInsertRows(QModelIndex(), from, int(from + page.size() - 1));
    m_rows += page.rows;
    m_codes += page.codes;
    m_reconciled += page.reconciled;
    endInsertRows();
}

void JournalModel::fail(quint64 generation, const QString& message)
{
    if (generation != m_generation)
        return;
    m_more = false;
    m_fetching = false;
    m_busy = false;
    m_incomplete = true;
    emit failed(message);
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
    return !parent.isValid() && m_more && m_searched;
}

void JournalModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent) || m_fetching)
        return;
    m_fetching = true;
    const quint64 generation = m_generation;
    const View view = m_view;
    // where the next page starts: after the last entry, the last code, or the codes shown
    const std::optional<Row> last = m_rows.isEmpty() ? std::nullopt : std::optional<Row>(m_rows.last());
    const QString lastCode = m_reconciled.isEmpty() ? QString() : m_reconciled.last().code;
    const qint64 offset = m_codes.size();
    m_reader.ask(
        this,
        [self = this, filter = m_filter, generation, view, last, lastCode,
         offset](Journal& journal) -> JournalReader::Reply {
            Search search(journal.store(), filter);
            Page page;
            page.generation = generation;
            if (view == View::Entries)
                page.rows = search.entries(kPage, last ? &*last : nullptr);
            else if (view == View::Reconciliation)
                page.reconciled = search.reconciled(kPage, lastCode);
            else
                page.codes = search.codes(view, kPage, offset);
            return [self, page] { self->showPage(page, false); };
        },
        [this, generation](const QString& message) { fail(generation, message); });
}

} // namespace pelorin::journal
