#include "journal/reprint.h"

#include "base/error.h"
#include "journal/database.h"
#include "journal/search.h"

#include <QSqlQuery>

namespace pelorin::journal {

namespace {

// The entry stored under `id`; none when there is none.
std::optional<Entry> storedEntry(Database& db, const QString& id)
{
    QStringList columns;
    for (const Column* c : readColumns()) {
        const QString column = QLatin1String(c->name);
        columns << (c->uses & Column::Time ? db.timeText(column) : column);
    }
    QSqlQuery q(db.db());
    q.setForwardOnly(true);
    runQuery(q, QStringLiteral("SELECT %1 FROM journal_entry WHERE id = ?").arg(columns.join(QLatin1String(", "))),
             {id});
    if (!q.next())
        return std::nullopt;
    Entry e;
    int i = 0;
    for (const Column* c : readColumns())
        c->set(e, q.value(i++));
    return e;
}

} // namespace

QList<int> labelNumbers(const QString& ranges)
{
    QList<int> numbers;
    for (const QString& part : ranges.split(u',', Qt::SkipEmptyParts)) {
        const qsizetype dash = part.indexOf(u'-');
        bool ok = false, okLast = true;
        const int first = part.left(dash < 0 ? part.size() : dash).toInt(&ok);
        const int last = dash < 0 ? first : part.mid(dash + 1).toInt(&okLast);
        if (!ok || !okLast || first < 1 || last < first)
            throw Error(QStringLiteral("Numéros d'étiquettes illisibles : « %1 »").arg(ranges));
        for (int n = first; n <= last; ++n)
            numbers << n;
    }
    return numbers;
}

bool canReprint(const Entry& entry)
{
    return entry.kind == EntryKind::Print && entry.medium == Medium::Printer && !entry.fingerprint.isEmpty();
}

PageToReprint pageToReprint(Database& db, const QString& entryId)
{
    std::optional<Entry> chosen = storedEntry(db, entryId);
    if (!chosen)
        throw Error(QStringLiteral("Aucune entrée du journal n'a l'identifiant « %1 ».").arg(entryId));
    if (chosen->kind != EntryKind::Print || chosen->medium != Medium::Printer)
        throw Error(QStringLiteral("L'entrée « %1 » n'est pas une impression : elle ne peut pas être réimprimée.")
                        .arg(entryId));
    PageToReprint page;
    page.first = *chosen;
    // a reprint of a reprint repeats the first print, and is linked to it
    if (!chosen->reprintOf.isEmpty())
        if (std::optional<Entry> first = storedEntry(db, chosen->reprintOf))
            page.first = *first;
    if (page.first.fingerprint.isEmpty())
        throw Error(QStringLiteral("Le journal ne garde pas la description de la page imprimée le %1 : elle ne peut "
                                   "pas être réimprimée.")
                        .arg(shownTime(page.first.at)));
    const std::optional<QByteArray> description = db.pageDescription(page.first.fingerprint);
    if (!description)
        throw Error(
            QStringLiteral("La description de page d'empreinte %1 manque au journal.").arg(page.first.fingerprint));
    page.description = *description;
    page.labels = labelNumbers(page.first.labels);
    // line n of the list went on label n: the texts kept give back the lines of the marked labels
    const int highest = page.labels.isEmpty() ? 0 : page.labels.last();
    page.incrementalLines = QStringList(highest, QString());
    if (page.first.allTexts.size() == page.labels.size()) {
        for (qsizetype i = 0; i < page.labels.size(); ++i)
            page.incrementalLines[page.labels[i] - 1] = page.first.allTexts[i];
    } else if (!page.labels.isEmpty()) {
        page.incrementalLines[page.labels.first() - 1] = page.first.firstText;
        page.incrementalLines[page.labels.last() - 1] = page.first.lastText;
    }
    return page;
}

RecordResult reprint(Journal& journal, const QString& entryId, const PagePrinter& print, const QString& printer,
                     Entry* recorded)
{
    const PageToReprint page = pageToReprint(journal.store(), entryId);
    Entry e = reprintEntry(page, print(page, printer));
    if (recorded)
        *recorded = e;
    return journal.record(e);
}

Entry reprintEntry(const PageToReprint& page, const Reprinted& went)
{
    Entry e = page.first;
    const Entry fresh = newEntry(EntryKind::Print);
    e.id = fresh.id;
    e.at = fresh.at;
    e.workstation = fresh.workstation;
    e.user = fresh.user;
    e.output = went.output;
    e.dpi = went.dpi;
    e.description = page.description;
    e.reprintOf = page.first.id;
    return e;
}

} // namespace pelorin::journal
