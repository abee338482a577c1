#include "journal/search.h"

#include "base/error.h"
#include "journal/database.h"

#include <QSqlError>
#include <QSqlQuery>

namespace pelorin::journal {

namespace {

// What a search reads of an entry: its position, then the columns read back into it.
QString selectedColumns(const Database& db, const QString& a)
{
    QStringList columns = {a + QStringLiteral(".seq")};
    for (const Column* c : readColumns()) {
        const QString column = a + u'.' + QLatin1String(c->name);
        columns << (c->uses & Column::Time ? db.timeText(column) : column);
    }
    return columns.join(QLatin1String(", "));
}

QDateTime timeOf(const QVariant& v)
{
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toUTC();
}

Row rowOf(const QSqlQuery& q)
{
    Row r;
    r.seq = q.value(0).toLongLong();
    int i = 1;
    for (const Column* c : readColumns())
        c->set(r.entry, q.value(i++));
    return r;
}

CodeRow codeRowOf(const QSqlQuery& q)
{
    CodeRow r;
    r.code = q.value(0).toString();
    r.count = q.value(1).toLongLong();
    r.first = timeOf(q.value(2));
    r.last = timeOf(q.value(3));
    Entry latest;
    int i = 4;
    for (const Column* c : decodedColumns())
        c->set(latest, q.value(i++));
    r.decoded = latest.decoded;
    return r;
}

// A whole code is looked up by the index; a part of one among the distinct codes.
constexpr int kWholeCode = 22;

// The entries of a lot on its production day. A field given may be its code or its name: an OR of
// the two would make the store read every entry of the day, so each pairing (code or name for the
// perfume, code or name for the place) is a branch of its own, each an equality on the day and the
// perfume that one of the day's lot indexes answers.
QString lotEntries(const Filter& f, QVariantList& values)
{
    const QString day = f.productionDate.toString(Qt::ISODate);
    QStringList branches;
    for (const bool perfumeByName : {false, true}) {
        if (perfumeByName && f.perfume.isEmpty())
            continue;
        for (const bool placeByName : {false, true}) {
            if (placeByName && f.place.isEmpty())
                continue;
            QString branch = QStringLiteral("SELECT lot.seq FROM journal_entry lot WHERE lot.production_date = ?");
            values << day;
            if (!f.perfume.isEmpty()) {
                branch += perfumeByName ? QStringLiteral(" AND lot.d_perfume = ?")
                                        : QStringLiteral(" AND lot.perfume_code = ?");
                values << f.perfume;
            }
            if (!f.place.isEmpty()) {
                branch += placeByName ? QStringLiteral(" AND lot.d_factory = ?")
                                      : QStringLiteral(" AND lot.factory_code = ?");
                values << f.place;
            }
            branches << branch;
        }
    }
    return branches.join(QLatin1String(" UNION ALL "));
}

} // namespace

Search::Search(Database& db, const Filter& filter) : m_db(db), m_filter(filter) {}

QString Search::where(const QString& a, QVariantList& values) const
{
    QStringList terms;
    const Filter& f = m_filter;
    if (!f.code.isEmpty()) {
        if (f.code.size() >= kWholeCode) {
            terms << a + QStringLiteral(".code = ?");
            values << f.code;
        } else {
            terms << m_db.codeContainsTest(a + QStringLiteral(".code"), f.code, values);
        }
    }
    const auto field = [&](const QString& value, const char* codeColumn, const char* nameColumn) {
        if (value.isEmpty())
            return;
        terms
            << QStringLiteral("(%1.%2 = ? OR %1.%3 = ?)").arg(a, QLatin1String(codeColumn), QLatin1String(nameColumn));
        values << value << value;
    };
    field(f.system, "system_code", "d_system");
    if (f.productionDate.isValid() && (!f.perfume.isEmpty() || !f.place.isEmpty())) {
        terms << a + QStringLiteral(".seq IN (%1)").arg(lotEntries(f, values));
    } else {
        field(f.perfume, "perfume_code", "d_perfume");
        field(f.place, "factory_code", "d_factory");
        if (f.productionDate.isValid()) {
            terms << a + QStringLiteral(".production_date = ?");
            values << f.productionDate.toString(Qt::ISODate);
        }
    }
    if (f.from.isValid()) {
        terms << a + QStringLiteral(".at >= ?");
        values << Database::timeValue(f.from);
    }
    if (f.to.isValid()) {
        terms << a + QStringLiteral(".at < ?");
        values << Database::timeValue(f.to);
    }
    if (!f.workstation.isEmpty()) {
        terms << a + QStringLiteral(".workstation = ?");
        values << f.workstation;
    }
    if (f.kind) {
        terms << a + QStringLiteral(".kind = ?");
        values << kindName(*f.kind);
    }
    return terms.isEmpty() ? QStringLiteral("1 = 1") : terms.join(QLatin1String(" AND "));
}

QList<Row> Search::entries(int limit, const Row* after)
{
    QVariantList values;
    const QString sql = entriesSql(limit, after, values);
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, sql, values);
    QList<Row> rows;
    while (q.next())
        rows.append(rowOf(q));
    checkRowsEnded(q, m_db);
    return rows;
}

QStringList Search::entriesPlan(int limit)
{
    QVariantList values;
    const QString sql = entriesSql(limit, nullptr, values);
    const bool pg = m_db.engine() == Engine::PostgreSQL;
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, (pg ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + sql, values);
    QStringList plan;
    while (q.next())
        plan << q.value(pg ? 0 : 3).toString();
    return plan;
}

QString Search::entriesSql(int limit, const Row* after, QVariantList& values) const
{
    QString sql = QStringLiteral("SELECT %1 FROM journal_entry e WHERE %2")
                      .arg(selectedColumns(m_db, QStringLiteral("e")), where(QStringLiteral("e"), values));
    if (after) {
        // the next page starts after the last row shown: no offset to count through
        sql += QStringLiteral(" AND e.at <= ? AND (e.at < ? OR e.seq < ?)");
        const QString at = Database::timeValue(after->entry.at);
        values << at << at << after->seq;
    }
    sql += QStringLiteral(" ORDER BY e.at DESC, e.seq DESC LIMIT ?");
    values << limit;
    return sql;
}

qint64 Search::countEntries()
{
    QVariantList values;
    const QString sql =
        QStringLiteral("SELECT count(*) FROM journal_entry e WHERE %1").arg(where(QStringLiteral("e"), values));
    QSqlQuery q(m_db.db());
    runQuery(q, sql, values);
    return q.next() ? q.value(0).toLongLong() : 0;
}

void Search::forEachEntry(const std::function<void(const Row&)>& visit)
{
    // pages, so that neither side holds the whole result
    constexpr int kPage = 2000;
    QList<Row> page = entries(kPage);
    while (!page.isEmpty()) {
        for (const Row& r : std::as_const(page))
            visit(r);
        if (page.size() < kPage)
            break;
        const Row last = page.last();
        page = entries(kPage, &last);
    }
}

QString Search::codesSql(View view, QVariantList& values) const
{
    const bool printed = view == View::PrintedNotScanned;
    QString decoded;
    for (const Column* c : decodedColumns())
        decoded += QStringLiteral(", max(p.%1)").arg(QLatin1String(c->name));
    Filter withoutKind = m_filter;
    withoutKind.kind.reset();
    const QString conditions = Search(m_db, withoutKind).where(QStringLiteral("p"), values);
    return QStringLiteral("SELECT p.code, count(*), %1, %2%3 FROM journal_entry p WHERE p.kind = '%4' AND %5 "
                          "AND NOT EXISTS (SELECT 1 FROM journal_entry s WHERE s.code = p.code AND s.kind = '%6') "
                          "GROUP BY p.code")
        .arg(m_db.timeText(QStringLiteral("min(p.at)")), m_db.timeText(QStringLiteral("max(p.at)")), decoded,
             kindName(printed ? EntryKind::Print : EntryKind::Scan), conditions,
             kindName(printed ? EntryKind::Scan : EntryKind::Print));
}

QList<CodeRow> Search::codes(View view, int limit, qint64 offset)
{
    QVariantList values;
    const QString sql = codesSql(view, values) + QStringLiteral(" ORDER BY max(p.at) DESC, p.code LIMIT ? OFFSET ?");
    values << limit << offset;
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, sql, values);
    QList<CodeRow> rows;
    while (q.next())
        rows.append(codeRowOf(q));
    checkRowsEnded(q, m_db);
    return rows;
}

qint64 Search::countCodes(View view)
{
    QVariantList values;
    const QString sql = QStringLiteral("SELECT count(*) FROM (%1) c").arg(codesSql(view, values));
    QSqlQuery q(m_db.db());
    runQuery(q, sql, values);
    return q.next() ? q.value(0).toLongLong() : 0;
}

void Search::forEachCode(View view, const std::function<void(const CodeRow&)>& visit)
{
    QVariantList values;
    const QString sql = codesSql(view, values) + QStringLiteral(" ORDER BY max(p.at) DESC, p.code");
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, sql, values);
    while (q.next())
        visit(codeRowOf(q));
    checkRowsEnded(q, m_db);
}

QString shownTime(const QDateTime& utc)
{
    return utc.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QString Search::reconciledSql(QVariantList& values, const QString& after) const
{
    Filter withoutKind = m_filter;
    withoutKind.kind.reset();
    QString conditions = Search(m_db, withoutKind).where(QStringLiteral("e"), values);
    if (!after.isNull()) {
        conditions += QStringLiteral(" AND e.code > ?");
        values << after;
    }
    // labels printed on paper (a PDF export puts none there) against valid reads
    return QStringLiteral("SELECT e.code, "
                          "sum(CASE WHEN e.kind = 'print' AND e.medium <> 'pdf' THEN e.label_total ELSE 0 END) AS "
                          "printed, "
                          "sum(CASE WHEN e.kind = 'scan' THEN 1 ELSE 0 END) AS scanned "
                          "FROM journal_entry e WHERE e.kind IN ('print', 'scan') AND %1 GROUP BY e.code")
        .arg(conditions);
}

namespace {

ReconcileRow reconcileRowOf(const QSqlQuery& q)
{
    ReconcileRow r;
    r.code = q.value(0).toString();
    r.printed = q.value(1).toLongLong();
    r.scanned = q.value(2).toLongLong();
    return r;
}

} // namespace

void Search::forEachReconciled(const std::function<void(const ReconcileRow&)>& visit)
{
    QVariantList values;
    const QString sql = reconciledSql(values, QString()) + QStringLiteral(" ORDER BY e.code");
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, sql, values);
    while (q.next())
        visit(reconcileRowOf(q));
    checkRowsEnded(q, m_db);
}

QList<ReconcileRow> Search::reconciled(int limit, const QString& after)
{
    QVariantList values;
    const QString sql =
        reconciledSql(values, after.isEmpty() ? QString() : after) + QStringLiteral(" ORDER BY e.code LIMIT ?");
    values << limit;
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, sql, values);
    QList<ReconcileRow> rows;
    while (q.next())
        rows << reconcileRowOf(q);
    checkRowsEnded(q, m_db);
    return rows;
}

ReconcileTotals Search::reconciledTotals()
{
    QVariantList values;
    const QString sql =
        QStringLiteral("SELECT sum(printed), sum(scanned), "
                       "sum(CASE WHEN printed > scanned THEN printed - scanned ELSE 0 END), "
                       "sum(CASE WHEN scanned > printed THEN scanned - printed ELSE 0 END), count(*) FROM (%1) c")
            .arg(reconciledSql(values, QString()));
    QSqlQuery q(m_db.db());
    runQuery(q, sql, values);
    ReconcileTotals t;
    if (q.next()) {
        t.printed = q.value(0).toLongLong();
        t.scanned = q.value(1).toLongLong();
        t.missing = q.value(2).toLongLong();
        t.unexpected = q.value(3).toLongLong();
        t.codes = q.value(4).toLongLong();
    }
    return t;
}

} // namespace pelorin::journal
