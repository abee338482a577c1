#include "journal/search.h"

#include "journal/database.h"

#include <QSqlQuery>

namespace pelorin::journal {

namespace {

// The columns read for an entry, in the order rowOf() takes them.
QString entryColumns(const Database& db, const QString& a)
{
    return QStringLiteral("%1.seq, %1.id, %1.kind, %2, %1.workstation, %1.os_user, %1.code, %1.d_system, %1.d_mass, "
                          "%1.d_packaging, %1.d_colour, %1.d_perfume, %1.d_factory, %1.d_date, %1.error, "
                          "%1.operator_text, %1.model, %1.labels, %1.label_count, %1.first_text, %1.last_text, "
                          "%1.medium, %1.output, %1.source")
        .arg(a, db.timeText(a + QStringLiteral(".at")));
}

QDateTime timeOf(const QVariant& v)
{
    return QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toUTC();
}

Row rowOf(const QSqlQuery& q)
{
    Row r;
    r.seq = q.value(0).toLongLong();
    Entry& e = r.entry;
    e.id = q.value(1).toString();
    kindFromName(q.value(2).toString(), &e.kind);
    e.at = timeOf(q.value(3));
    e.workstation = q.value(4).toString();
    e.user = q.value(5).toString();
    e.code = q.value(6).toString();
    for (int i = 0; i < kDecodedCount; ++i)
        e.decoded[size_t(i)] = q.value(7 + i).toString();
    e.error = q.value(14).toString();
    e.operatorText = q.value(15).toString();
    e.model = q.value(16).toString();
    e.labels = q.value(17).toString();
    e.labelCount = q.value(18).toInt();
    e.firstText = q.value(19).toString();
    e.lastText = q.value(20).toString();
    e.medium = q.value(21).toString() == QLatin1String("pdf") ? Medium::PdfFile : Medium::Printer;
    e.output = q.value(22).toString();
    e.source = q.value(23).toString();
    return r;
}

CodeRow codeRowOf(const QSqlQuery& q)
{
    CodeRow r;
    r.code = q.value(0).toString();
    r.count = q.value(1).toLongLong();
    r.first = timeOf(q.value(2));
    r.last = timeOf(q.value(3));
    for (int i = 0; i < kDecodedCount; ++i)
        r.decoded[size_t(i)] = q.value(4 + i).toString();
    return r;
}

// A whole code is looked up by the index; a part of one is searched in every code.
constexpr int kWholeCode = 22;

} // namespace

Search::Search(Database& db, const Filter& filter) : m_db(db), m_filter(filter) {}

QString Search::where(const QString& a, QVariantList& values) const
{
    QStringList terms;
    const Filter& f = m_filter;
    if (!f.code.isEmpty()) {
        if (f.code.size() >= kWholeCode) {
            terms << a + QStringLiteral(".code = ?");
        } else {
            terms << m_db.containsTest(a + QStringLiteral(".code"));
        }
        values << f.code;
    }
    const auto field = [&](const QString& value, const char* codeColumn, const char* nameColumn) {
        if (value.isEmpty())
            return;
        terms
            << QStringLiteral("(%1.%2 = ? OR %1.%3 = ?)").arg(a, QLatin1String(codeColumn), QLatin1String(nameColumn));
        values << value << value;
    };
    field(f.system, "system_code", "d_system");
    field(f.perfume, "perfume_code", "d_perfume");
    field(f.place, "factory_code", "d_factory");
    if (f.productionDate.isValid()) {
        terms << a + QStringLiteral(".production_date = ?");
        values << f.productionDate.toString(Qt::ISODate);
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
    QString sql = QStringLiteral("SELECT %1 FROM journal_entry e WHERE %2")
                      .arg(entryColumns(m_db, QStringLiteral("e")), where(QStringLiteral("e"), values));
    if (after) {
        // the next page starts after the last row shown: no offset to count through
        sql += QStringLiteral(" AND e.at <= ? AND (e.at < ? OR e.seq < ?)");
        const QString at = Database::timeValue(after->entry.at);
        values << at << at << after->seq;
    }
    sql += QStringLiteral(" ORDER BY e.at DESC, e.seq DESC LIMIT ?");
    values << limit;
    QSqlQuery q(m_db.db());
    q.setForwardOnly(true);
    runQuery(q, sql, values);
    QList<Row> rows;
    while (q.next())
        rows.append(rowOf(q));
    return rows;
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
    for (const char* c : {"d_system", "d_mass", "d_packaging", "d_colour", "d_perfume", "d_factory", "d_date"})
        decoded += QStringLiteral(", max(p.%1)").arg(QLatin1String(c));
    Filter withoutKind = m_filter;
    withoutKind.kind.reset();
    const QString conditions = Search(m_db, withoutKind).where(QStringLiteral("p"), values);
    return QStringLiteral("SELECT p.code, count(*), %1, %2%3 FROM journal_entry p WHERE p.kind = '%4' AND %5 "
                          "AND NOT EXISTS (SELECT 1 FROM journal_entry s WHERE s.code = p.code AND s.kind = '%6') "
                          "GROUP BY p.code")
        .arg(m_db.timeText(QStringLiteral("min(p.at)")), m_db.timeText(QStringLiteral("max(p.at)")), decoded,
             printed ? QStringLiteral("print") : QStringLiteral("scan"), conditions,
             printed ? QStringLiteral("scan") : QStringLiteral("print"));
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
}

QString shownTime(const QDateTime& utc)
{
    return utc.toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

QStringList entryHeaders()
{
    return {QStringLiteral("Date et heure"),
            QStringLiteral("Type"),
            QStringLiteral("Poste"),
            QStringLiteral("Utilisateur"),
            QStringLiteral("Code"),
            QStringLiteral("Système"),
            QStringLiteral("Masse"),
            QStringLiteral("Boite"),
            QStringLiteral("Couleur"),
            QStringLiteral("Parfum"),
            QStringLiteral("Usine"),
            QStringLiteral("Date de production"),
            QStringLiteral("Erreur"),
            QStringLiteral("Opérateur"),
            QStringLiteral("Page"),
            QStringLiteral("Étiquettes"),
            QStringLiteral("Premier texte"),
            QStringLiteral("Dernier texte"),
            QStringLiteral("Imprimante ou fichier"),
            QStringLiteral("Source"),
            QStringLiteral("Identifiant")};
}

QStringList entryCells(const Entry& e)
{
    QString type = QStringLiteral("Lecture");
    if (e.kind == EntryKind::Print)
        type = e.medium == Medium::PdfFile ? QStringLiteral("Export PDF") : QStringLiteral("Impression");
    QStringList cells = {shownTime(e.at), type, e.workstation, e.user, e.code};
    for (const QString& d : e.decoded)
        cells << d;
    cells << e.error << e.operatorText << e.model << e.labels << e.firstText << e.lastText << e.output << e.source
          << e.id;
    return cells;
}

QStringList codeHeaders()
{
    return {QStringLiteral("Code"),
            QStringLiteral("Nombre"),
            QStringLiteral("Première"),
            QStringLiteral("Dernière"),
            QStringLiteral("Système"),
            QStringLiteral("Masse"),
            QStringLiteral("Boite"),
            QStringLiteral("Couleur"),
            QStringLiteral("Parfum"),
            QStringLiteral("Usine"),
            QStringLiteral("Date de production")};
}

QStringList codeCells(const CodeRow& row)
{
    QStringList cells = {row.code, QString::number(row.count), shownTime(row.first), shownTime(row.last)};
    for (const QString& d : row.decoded)
        cells << d;
    return cells;
}

} // namespace pelorin::journal
