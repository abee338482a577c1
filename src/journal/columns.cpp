#include "journal/columns.h"

#include "journal/database.h"
#include "journal/search.h"

#include <QJsonValue>

namespace pelorin::journal {

namespace {

template <QString Entry::*field> QVariant getText(const Entry& e)
{
    return e.*field;
}

template <QString Entry::*field> void setText(Entry& e, const QVariant& v)
{
    e.*field = v.toString();
}

template <int i> QVariant getDecoded(const Entry& e)
{
    return e.decoded[size_t(i)];
}

template <int i> void setDecoded(Entry& e, const QVariant& v)
{
    e.decoded[size_t(i)] = v.toString();
}

QString kindShown(const Entry& e)
{
    switch (e.kind) {
    case EntryKind::Print:
        return e.medium == Medium::PdfFile ? QStringLiteral("Export PDF") : QStringLiteral("Impression");
    case EntryKind::Scan:
        return QStringLiteral("Lecture");
    case EntryKind::Misread:
        return QStringLiteral("Lecture à vérifier");
    }
    return QString();
}

// A print's number as shown; nothing for a read.
QString printedNumber(const Entry& e, int n)
{
    return e.kind == EntryKind::Print ? QString::number(n) : QString();
}

constexpr unsigned kDecodedBoth = Column::Shown | Column::OnPaper | Column::Decoded | Column::DecodedOnPaper;
constexpr unsigned kDecodedEntriesPaperOnly = Column::Shown | Column::OnPaper | Column::Decoded;

// most fields are texts, empty rather than NULL
constexpr const char* kText = "TEXT NOT NULL DEFAULT ''";

const Column
    kColumns
        [] =
            {
                {"at", "TEXT NOT NULL", "TIMESTAMPTZ NOT NULL", 1, "Date et heure", "time",
                 Column::Shown | Column::OnPaper | Column::Time,
                 [](const Entry& e) -> QVariant { return Database::timeValue(e.at); },
                 [](Entry& e, const QVariant& v) {
                     e.at = QDateTime::fromString(v.toString(), Qt::ISODateWithMs).toUTC();
                 },
                 [](const Entry& e) { return shownTime(e.at); }},
                {"kind", "TEXT NOT NULL", "TEXT NOT NULL", 1, "Type", "kind",
                 Column::Shown | Column::OnPaper | Column::OneOfTheKinds,
                 [](const Entry& e) -> QVariant { return kindName(e.kind); },
                 [](Entry& e, const QVariant& v) { kindFromName(v.toString(), &e.kind); }, kindShown},
                {"workstation", kText, kText, 1, "Poste", "workstation", Column::Shown | Column::OnPaper,
                 getText<&Entry::workstation>, setText<&Entry::workstation>},
                {"os_user", kText, kText, 1, "Utilisateur", "user", Column::Shown, getText<&Entry::user>,
                 setText<&Entry::user>},
                {"code", kText, kText, 1, "Code", "code", Column::Shown | Column::OnPaper, getText<&Entry::code>,
                 setText<&Entry::code>},
                {"d_system", kText, kText, 1, "Système", "system", kDecodedBoth, getDecoded<0>, setDecoded<0>},
                {"d_mass", kText, kText, 1, "Masse", "mass", kDecodedEntriesPaperOnly, getDecoded<1>, setDecoded<1>},
                {"d_packaging", kText, kText, 1, "Boite", "packaging", kDecodedBoth, getDecoded<2>, setDecoded<2>},
                {"d_colour", kText, kText, 1, "Couleur", "colour", kDecodedEntriesPaperOnly, getDecoded<3>,
                 setDecoded<3>},
                {"d_perfume", kText, kText, 1, "Parfum", "perfume", kDecodedBoth, getDecoded<4>, setDecoded<4>},
                {"d_factory", kText, kText, 1, "Usine", "factory", kDecodedBoth, getDecoded<5>, setDecoded<5>},
                {"d_date", kText, kText, 1, "Date de production", "date", kDecodedBoth, getDecoded<6>, setDecoded<6>},
                {"error", kText, kText, 1, "Erreur", "error", Column::Shown, getText<&Entry::error>,
                 setText<&Entry::error>},
                {"operator_text", kText, kText, 1, "Opérateur", "operator", Column::Shown,
                 getText<&Entry::operatorText>, setText<&Entry::operatorText>},
                {"model", kText, kText, 1, "Page", "model", Column::Shown | Column::OnPaper, getText<&Entry::model>,
                 setText<&Entry::model>},
                {"labels", kText, kText, 1, "Étiquettes", "labels", Column::Shown | Column::OnPaper,
                 getText<&Entry::labels>, setText<&Entry::labels>},
                {"label_count", "INTEGER NOT NULL DEFAULT 0", "INTEGER NOT NULL DEFAULT 0", 1, nullptr, "label_count",
                 0, [](const Entry& e) -> QVariant { return e.labelCount; },
                 [](Entry& e, const QVariant& v) { e.labelCount = v.toInt(); }},
                // how many labels a print put on paper, and at what resolution; shown for prints only
                {"copies", "INTEGER NOT NULL DEFAULT 1", "INTEGER NOT NULL DEFAULT 1", 4, "Exemplaires", "copies",
                 Column::Shown, [](const Entry& e) -> QVariant { return e.copies; },
                 [](Entry& e, const QVariant& v) { e.copies = v.toInt(); },
                 [](const Entry& e) { return printedNumber(e, e.copies); }},
                {"label_total", "INTEGER NOT NULL DEFAULT 0", "INTEGER NOT NULL DEFAULT 0", 4, "Étiquettes imprimées",
                 "labels_printed", Column::Shown | Column::OnPaper,
                 [](const Entry& e) -> QVariant { return e.labelTotal; },
                 [](Entry& e, const QVariant& v) { e.labelTotal = v.toInt(); },
                 [](const Entry& e) { return printedNumber(e, e.labelTotal); }},
                {"dpi", "INTEGER NOT NULL DEFAULT 0", "INTEGER NOT NULL DEFAULT 0", 4, "Résolution (ppp)", "dpi",
                 Column::Shown, [](const Entry& e) -> QVariant { return e.dpi; },
                 [](Entry& e, const QVariant& v) { e.dpi = v.toInt(); },
                 [](const Entry& e) { return e.dpi > 0 ? printedNumber(e, e.dpi) : QString(); }},
                {"first_text", kText, kText, 1, "Premier texte", "first_text", Column::Shown,
                 getText<&Entry::firstText>, setText<&Entry::firstText>},
                {"last_text", kText, kText, 1, "Dernier texte", "last_text", Column::Shown, getText<&Entry::lastText>,
                 setText<&Entry::lastText>},
                // where a page went; nothing for a read
                {"medium", kText, kText, 1, nullptr, "medium", Column::JsonWhenSet,
                 [](const Entry& e) -> QVariant {
                     if (e.kind != EntryKind::Print)
                         return QStringLiteral("");
                     return e.medium == Medium::PdfFile ? QStringLiteral("pdf") : QStringLiteral("printer");
                 },
                 [](Entry& e, const QVariant& v) {
                     e.medium = v.toString() == QLatin1String("pdf") ? Medium::PdfFile : Medium::Printer;
                 }},
                {"output", kText, kText, 1, "Imprimante ou fichier", "output", Column::Shown | Column::OnPaper,
                 getText<&Entry::output>, setText<&Entry::output>},
                {"source", kText, kText, 1, "Source", "source", Column::Shown, getText<&Entry::source>,
                 setText<&Entry::source>},
                {"id", "TEXT NOT NULL UNIQUE", "UUID NOT NULL UNIQUE", 1, "Identifiant", "id", Column::Shown,
                 getText<&Entry::id>, setText<&Entry::id>},
                // the description as printed, kept once under this key (see Database::pageDescription)
                {"fingerprint", kText, kText, 5, "Empreinte de la page", "fingerprint",
                 Column::Shown | Column::JsonWhenSet, getText<&Entry::fingerprint>, setText<&Entry::fingerprint>},
                {"reprint_of", kText, kText, 5, "Réimpression de", "reprint_of", Column::Shown | Column::JsonWhenSet,
                 getText<&Entry::reprintOf>, setText<&Entry::reprintOf>},
                // one line per label, in the order of the labels; shown only where asked for
                {"all_texts", kText, kText, 5, "Textes", "texts", Column::AllTexts | Column::JsonWhenSet,
                 [](const Entry& e) -> QVariant { return e.allTexts.join(u'\n'); },
                 [](Entry& e, const QVariant& v) {
                     const QString text = v.toString();
                     e.allTexts = text.isEmpty() ? QStringList() : text.split(u'\n');
                 },
                 [](const Entry& e) { return e.allTexts.join(QLatin1String(" / ")); }},
                // the code's fields, for the searches by lot and by production day
                {"system_code", kText, kText, 2, nullptr, nullptr, Column::Derived,
                 [](const Entry& e) -> QVariant { return e.systemCode(); }, nullptr},
                {"perfume_code", kText, kText, 2, nullptr, nullptr, Column::Derived,
                 [](const Entry& e) -> QVariant { return e.perfumeCode(); }, nullptr},
                {"factory_code", kText, kText, 2, nullptr, nullptr, Column::Derived,
                 [](const Entry& e) -> QVariant { return e.factoryCode(); }, nullptr},
                {"production_date", "TEXT", "DATE", 2, nullptr, nullptr, Column::Derived,
                 [](const Entry& e) -> QVariant {
                     const QDate d = e.productionDate();
                     return d.isValid() ? QVariant(d.toString(Qt::ISODate)) : QVariant();
                 },
                 nullptr},
};

// The reconciliation views' own columns, before the decoded texts.
const struct
{
    const char* header;
    const char* json;
    QString (*cell)(const CodeRow&);
    QJsonValue (*value)(const CodeRow&);
} kCodeColumns[] = {
    {"Code", "code", [](const CodeRow& r) { return r.code; }, [](const CodeRow& r) { return QJsonValue(r.code); }},
    {"Nombre", "count", [](const CodeRow& r) { return QString::number(r.count); },
     [](const CodeRow& r) { return QJsonValue(r.count); }},
    {"Première", "first", [](const CodeRow& r) { return shownTime(r.first); },
     [](const CodeRow& r) { return QJsonValue(r.first.toString(Qt::ISODateWithMs)); }},
    {"Dernière", "last", [](const CodeRow& r) { return shownTime(r.last); },
     [](const CodeRow& r) { return QJsonValue(r.last.toString(Qt::ISODateWithMs)); }},
};

// The decoded production day, which programs read in ISO 8601.
bool holdsProductionDay(const Column& c)
{
    return qstrcmp(c.name, "d_date") == 0;
}

} // namespace

QString Column::definition(Engine engine, int version) const
{
    QString sql = QStringLiteral("%1 %2").arg(QLatin1String(name),
                                              QLatin1String(engine == Engine::PostgreSQL ? postgresType : sqliteType));
    if (uses & OneOfTheKinds)
        sql += u' ' + kindCheck(QLatin1String(name), version);
    return sql;
}

QString Column::cell(const Entry& e, Reader reader) const
{
    if (reader == Reader::Program) {
        if (uses & Time)
            return get(e).toString();
        if (holdsProductionDay(*this))
            return programDate(e.code, get(e).toString());
    }
    return shown ? shown(e) : get(e).toString();
}

QString programDate(const QString& code, const QString& decodedDate)
{
    if (decodedDate.isEmpty())
        return decodedDate;
    const QDate day = productionDateOfCode(code);
    return day.isValid() ? day.toString(Qt::ISODate) : decodedDate;
}

std::span<const Column> entryColumns()
{
    return kColumns;
}

QList<const Column*> storedColumns(int version, bool read)
{
    QList<const Column*> columns;
    for (const Column& c : kColumns)
        if (c.since <= version && (!read || c.set))
            columns << &c;
    return columns;
}

const QList<const Column*>& readColumns()
{
    static const QList<const Column*> columns = storedColumns(kSchemaVersion, true);
    return columns;
}

const QList<const Column*>& decodedColumns()
{
    static const QList<const Column*> columns = [] {
        QList<const Column*> decoded;
        for (const Column& c : kColumns)
            if (c.uses & Column::Decoded)
                decoded << &c;
        return decoded;
    }();
    return columns;
}

const QList<const Column*>& shownColumns(bool allTexts)
{
    const auto make = [](unsigned uses) {
        QList<const Column*> shown;
        for (const Column& c : kColumns)
            if (c.uses & uses)
                shown << &c;
        return shown;
    };
    static const QList<const Column*> columns = make(Column::Shown);
    static const QList<const Column*> withTexts = make(Column::Shown | Column::AllTexts);
    return allTexts ? withTexts : columns;
}

QList<int> entryColumnsOnPaper()
{
    QList<int> positions;
    const QList<const Column*>& shown = shownColumns();
    for (int i = 0; i < shown.size(); ++i)
        if (shown[i]->uses & Column::OnPaper)
            positions << i;
    return positions;
}

QString kindCheck(const QString& column, int version)
{
    return QStringLiteral("CHECK (%1 IN ('%2'))").arg(column, kindNames(version).join(QLatin1String("', '")));
}

QString createTableSql(Engine engine, int version, const QString& table)
{
    QStringList definitions = {engine == Engine::PostgreSQL ? QStringLiteral("seq BIGSERIAL PRIMARY KEY")
                                                            : QStringLiteral("seq INTEGER PRIMARY KEY")};
    for (const Column* c : storedColumns(version))
        definitions << c->definition(engine, version);
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(table, definitions.join(QLatin1String(", ")));
}

QStringList entryHeaders(bool allTexts)
{
    QStringList headers;
    for (const Column* c : shownColumns(allTexts))
        headers << QString::fromUtf8(c->header);
    return headers;
}

QStringList entryCells(const Entry& e, Reader reader, bool allTexts)
{
    QStringList cells;
    for (const Column* c : shownColumns(allTexts))
        cells << c->cell(e, reader);
    return cells;
}

QJsonObject entryJson(const Entry& e)
{
    QJsonObject o = e.toJson();
    for (const Column& c : kColumns)
        if (c.json && holdsProductionDay(c))
            o[QLatin1String(c.json)] = c.cell(e, Reader::Program);
    return o;
}

QStringList decodedJsonKeys()
{
    QStringList keys;
    for (const Column* c : decodedColumns())
        keys << QLatin1String(c->json);
    return keys;
}

QStringList codeHeaders()
{
    QStringList headers;
    for (const auto& c : kCodeColumns)
        headers << QString::fromUtf8(c.header);
    for (const Column* c : decodedColumns())
        headers << QString::fromUtf8(c->header);
    return headers;
}

QStringList codeCells(const CodeRow& row, Reader reader)
{
    QStringList cells;
    for (const auto& c : kCodeColumns)
        cells << (reader == Reader::Program ? c.value(row).toVariant().toString() : c.cell(row));
    Entry latest;
    latest.code = row.code;
    latest.decoded = row.decoded;
    for (const Column* c : decodedColumns())
        cells << c->cell(latest, reader);
    return cells;
}

QJsonObject codeJson(const CodeRow& row)
{
    QJsonObject o;
    for (const auto& c : kCodeColumns)
        o[QLatin1String(c.json)] = c.value(row);
    Entry latest;
    latest.code = row.code;
    latest.decoded = row.decoded;
    for (const Column* c : decodedColumns())
        o[QLatin1String(c->json)] = c->cell(latest, Reader::Program);
    return o;
}

QList<int> codeColumnsOnPaper()
{
    QList<int> positions;
    int i = 0;
    for (; i < int(std::size(kCodeColumns)); ++i)
        positions << i;
    for (const Column* c : decodedColumns()) {
        if (c->uses & Column::DecodedOnPaper)
            positions << i;
        ++i;
    }
    return positions;
}

} // namespace pelorin::journal
