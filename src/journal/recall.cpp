#include "journal/recall.h"

#include "base/error.h"
#include "base/files.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTextStream>

namespace pelorin::journal {

namespace {

// The store names of the columns each table shows, in order. The fingerprint of the page
// description is shown where the journal keeps one.
const char* const kPrintColumns[] = {"at",    "workstation",  "os_user", "operator_text", "code",       "output",
                                     "model", "*fingerprint", "labels",  "copies",        "label_total"};
const char* const kScanColumns[] = {"at", "workstation", "os_user", "code", "source"};

const Column* columnNamed(const char* name)
{
    const QString wanted = QLatin1String(name);
    for (const Column& c : entryColumns()) {
        const QString columnName = QLatin1String(c.name);
        if (wanted.startsWith(u'*') ? columnName.contains(wanted.mid(1)) : columnName == wanted)
            return &c;
    }
    return nullptr;
}

template <size_t n> QList<const Column*> columnsOf(const char* const (&names)[n])
{
    QList<const Column*> columns;
    for (const char* name : names)
        if (const Column* c = columnNamed(name))
            columns << c;
    return columns;
}

const QList<const Column*>& printColumns()
{
    static const QList<const Column*> columns = columnsOf(kPrintColumns);
    return columns;
}

const QList<const Column*>& scanColumns()
{
    static const QList<const Column*> columns = columnsOf(kScanColumns);
    return columns;
}

QStringList headersOf(const QList<const Column*>& columns)
{
    QStringList headers;
    for (const Column* c : columns)
        headers << (c->header ? QString::fromUtf8(c->header) : QLatin1String(c->json));
    return headers;
}

QStringList keysOf(const QList<const Column*>& columns)
{
    QStringList keys;
    for (const Column* c : columns)
        keys << QLatin1String(c->json);
    return keys;
}

QStringList cellsOf(const QList<const Column*>& columns, const Entry& e, Reader reader)
{
    QStringList cells;
    for (const Column* c : columns)
        cells << c->cell(e, reader);
    return cells;
}

QJsonObject jsonOf(const QList<const Column*>& columns, const Entry& e)
{
    QJsonObject o;
    for (const Column* c : columns) {
        const QVariant v = c->get(e);
        // numbers stay numbers; times and texts as programs read them
        if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            o[QLatin1String(c->json)] = QJsonValue::fromVariant(v);
        else
            o[QLatin1String(c->json)] = c->cell(e, Reader::Program);
    }
    return o;
}

void writeTable(QTextStream& out, TextShape shape, const QStringList& cells)
{
    if (shape == TextShape::Csv)
        out << csvLine(cells);
    else
        out << tsvLine(cells) << '\n';
}

} // namespace

Recall::Recall(Database& db, const QString& text, Filter base) : m_db(db), m_text(text), m_filter(std::move(base))
{
    m_filter.code = text;
    m_filter.kind.reset();
}

QStringList Recall::printHeaders()
{
    return headersOf(printColumns());
}

QStringList Recall::scanHeaders()
{
    return headersOf(scanColumns());
}

QStringList Recall::printKeys()
{
    return keysOf(printColumns());
}

QStringList Recall::scanKeys()
{
    return keysOf(scanColumns());
}

QStringList Recall::totalHeaders()
{
    return {QStringLiteral("Code"), QStringLiteral("Étiquettes imprimées"), QStringLiteral("Étiquettes lues"),
            QStringLiteral("Jamais lues"), QStringLiteral("Lues sans impression")};
}

QStringList Recall::totalKeys()
{
    return {QStringLiteral("code"), QStringLiteral("printed"), QStringLiteral("scanned"), QStringLiteral("missing"),
            QStringLiteral("unexpected")};
}

QStringList Recall::printCells(const Entry& e, Reader reader)
{
    return cellsOf(printColumns(), e, reader);
}

QStringList Recall::scanCells(const Entry& e, Reader reader)
{
    return cellsOf(scanColumns(), e, reader);
}

QJsonObject Recall::printJson(const Entry& e)
{
    return jsonOf(printColumns(), e);
}

QJsonObject Recall::scanJson(const Entry& e)
{
    return jsonOf(scanColumns(), e);
}

QStringList Recall::totalCells(const ReconcileRow& r)
{
    return {r.code, QString::number(r.printed), QString::number(r.scanned), QString::number(r.missing()),
            QString::number(r.unexpected())};
}

QJsonObject Recall::totalJson(const ReconcileRow& r)
{
    const QStringList keys = totalKeys();
    return QJsonObject{{keys[0], r.code},
                       {keys[1], r.printed},
                       {keys[2], r.scanned},
                       {keys[3], r.missing()},
                       {keys[4], r.unexpected()}};
}

void Recall::forEachOfKind(EntryKind kind, const std::function<void(const Entry&)>& visit)
{
    Filter f = m_filter;
    f.kind = kind;
    Search search(m_db, f);
    // a page exported to PDF put no label on paper, but it carried the code all the same: listed too
    search.forEachEntry([&](const Row& r) { visit(r.entry); });
}

void Recall::forEachPrint(const std::function<void(const Entry&)>& visit)
{
    forEachOfKind(EntryKind::Print, visit);
}

void Recall::forEachScan(const std::function<void(const Entry&)>& visit)
{
    forEachOfKind(EntryKind::Scan, visit);
}

ReconcileTotals Recall::forEachTotal(const std::function<void(const ReconcileRow&)>& visit)
{
    ReconcileTotals total;
    Search search(m_db, m_filter);
    search.forEachReconciled([&](const ReconcileRow& r) {
        total.add(r);
        visit(r);
    });
    return total;
}

QStringList Recall::sumCells(const ReconcileTotals& t)
{
    return {QStringLiteral("Total"), QString::number(t.printed), QString::number(t.scanned), QString::number(t.missing),
            QString::number(t.unexpected)};
}

QJsonObject Recall::sumJson(const ReconcileTotals& t)
{
    const QStringList keys = totalKeys();
    return QJsonObject{{keys[1], t.printed}, {keys[2], t.scanned}, {keys[3], t.missing}, {keys[4], t.unexpected}};
}

void writeRecall(Recall& recall, TextShape shape, QTextStream& out, const QDateTime& madeAt)
{
    if (shape == TextShape::Json) {
        // one object, its lists written as their rows are read
        const auto key = [&](const char* name) { out << "    \"" << name << "\": "; };
        const auto list = [&](const auto& each, QJsonObject (*json)(const Entry&)) {
            bool first = true;
            out << "[";
            each([&](const Entry& e) {
                QByteArray text = QJsonDocument(json(e)).toJson(QJsonDocument::Compact);
                out << (first ? "\n        " : ",\n        ") << QString::fromUtf8(text);
                first = false;
            });
            out << (first ? "]" : "\n    ]");
        };
        out << "{\n";
        key("recall");
        out << QString::fromUtf8(QJsonDocument(QJsonArray{recall.text()}).toJson(QJsonDocument::Compact))
                   .mid(1)
                   .chopped(1)
            << ",\n";
        key("time");
        out << '"' << madeAt.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")) << "\",\n";
        key("prints");
        list([&](const auto& visit) { recall.forEachPrint(visit); }, &Recall::printJson);
        out << ",\n";
        key("scans");
        list([&](const auto& visit) { recall.forEachScan(visit); }, &Recall::scanJson);
        out << ",\n";
        key("codes");
        bool first = true;
        out << "[";
        const ReconcileTotals total = recall.forEachTotal([&](const ReconcileRow& r) {
            out << (first ? "\n        " : ",\n        ")
                << QString::fromUtf8(QJsonDocument(Recall::totalJson(r)).toJson(QJsonDocument::Compact));
            first = false;
        });
        out << (first ? "]" : "\n    ]") << ",\n";
        key("total");
        out << QString::fromUtf8(QJsonDocument(Recall::sumJson(total)).toJson(QJsonDocument::Compact)) << "\n}\n";
        return;
    }
    const Reader reader = shape == TextShape::Csv ? Reader::Program : Reader::Person;
    writeTable(out, shape, Recall::printHeaders());
    recall.forEachPrint([&](const Entry& e) { writeTable(out, shape, Recall::printCells(e, reader)); });
    out << (shape == TextShape::Csv ? "\r\n" : "\n");
    writeTable(out, shape, Recall::scanHeaders());
    recall.forEachScan([&](const Entry& e) { writeTable(out, shape, Recall::scanCells(e, reader)); });
    out << (shape == TextShape::Csv ? "\r\n" : "\n");
    const QStringList keys = Recall::totalKeys();
    writeTable(out, shape, shape == TextShape::Csv ? keys : Recall::totalHeaders());
    const ReconcileTotals total =
        recall.forEachTotal([&](const ReconcileRow& r) { writeTable(out, shape, Recall::totalCells(r)); });
    writeTable(out, shape, Recall::sumCells(total));
}

void exportRecallCsv(Recall& recall, const QString& path, CsvEncoding encoding, const QDateTime& madeAt)
{
    checkWriteTarget(path);
    QString text;
    {
        QTextStream out(&text);
        writeRecall(recall, TextShape::Csv, out, madeAt);
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Impossible de créer le fichier « %1 » : %2").arg(path, file.errorString()));
    file.write(encodeCsv(text, encoding));
    if (!file.commit())
        throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 » : %2").arg(path, file.errorString()));
}

} // namespace pelorin::journal
