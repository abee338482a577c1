#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <atomic>
#include <memory>
#include <optional>

#include "journal/search.h"

// The journal window's table: the rows of one view of a search, fetched a page at a time as the
// table scrolls, so that a journal of millions of entries opens at once and is never loaded whole.
// Every page is read by the window's reader, off the window's thread: the table fills when it comes.
namespace pelorin::journal {

class JournalReader;

class JournalModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit JournalModel(JournalReader& reader, QObject* parent = nullptr);

    // Starts over on this search: the table empties, and its first page comes with searched(), or
    // failed(). What an earlier search still brings is dropped.
    void reset(const Filter& filter, View view);
    View view() const { return m_view; }
    const Filter& filter() const { return m_filter; }
    // True from reset() until its first page or its failure has come.
    bool busy() const { return m_busy; }
    // True once a search has shown its first page.
    bool searched() const { return m_searched; }
    // The headers of a view's columns.
    static QStringList headers(View view);
    // The entry shown on `row` of the entries view; null elsewhere.
    const Row* entryAt(int row) const;
    // True when a read failed before the end of the list: what is shown is not all there is.
    bool incomplete() const { return m_incomplete; }
    // The reconciliation view's sums over every code the filter selects, read with its first page.
    const std::optional<ReconcileTotals>& totals() const { return m_totals; }
    // The codes a code view selects, all pages counted; read with its first page.
    qint64 codeCount() const { return m_codeCount; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = QModelIndex()) const override;
    // Asks for the next page; it is appended when it comes (once, however often this is called meanwhile).
    void fetchMore(const QModelIndex& parent = QModelIndex()) override;

    static constexpr int kPage = 200;

signals:
    // The first page of the last search has come.
    void searchedPage();
    // A page could not be read (the store out of reach or gone): the message to show.
    void failed(const QString& message);

private:
    struct Page;
    void showPage(const Page& page, bool first);
    void fail(quint64 generation, const QString& message);

    JournalReader& m_reader;
    Filter m_filter;
    View m_view = View::Entries;
    QList<Row> m_rows;
    QList<CodeRow> m_codes;
    QList<ReconcileRow> m_reconciled;
    std::optional<ReconcileTotals> m_totals;
    qint64 m_codeCount = 0;
    bool m_more = false;
    bool m_fetching = false;
    bool m_busy = false;
    bool m_searched = false;
    bool m_incomplete = false;
    // the last search asked for; shared with the reader's thread, which skips a search overtaken
    // before it began
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<quint64>> m_latest;
};

} // namespace pelorin::journal
