#pragma once
#include <QAbstractTableModel>
#include <QList>
#include <memory>

#include "journal/search.h"

// The journal window's table: the rows of one view of a search, fetched a page at a time as the
// table scrolls, so that a journal of millions of entries opens at once and is never loaded whole.
namespace pelorin::journal {

class Database;

class JournalModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit JournalModel(QObject* parent = nullptr);

    // Starts over on this search; the first page is read at once. Error from the store.
    void reset(Database& db, const Filter& filter, View view);
    View view() const { return m_view; }
    Search* search() const { return m_search.get(); }
    // The headers of a view's columns.
    static QStringList headers(View view);
    // The entry shown on `row` of the entries view; null elsewhere.
    const Row* entryAt(int row) const;
    // True when a read failed before the end of the list: what is shown is not all there is.
    bool incomplete() const { return m_incomplete; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent = QModelIndex()) const override;
    void fetchMore(const QModelIndex& parent = QModelIndex()) override;

    static constexpr int kPage = 200;

signals:
    // A page could not be read (the store went away): the message to show.
    void failed(const QString& message);

private:
    std::unique_ptr<Search> m_search;
    View m_view = View::Entries;
    QList<Row> m_rows;
    QList<CodeRow> m_codes;
    QList<ReconcileRow> m_reconciled;
    bool m_more = false;
    bool m_incomplete = false;
};

} // namespace pelorin::journal
