#include "journal/export.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"

#include "journal/recall.h"

#include <QJsonDocument>
#include <QSaveFile>
#include <QTextStream>

namespace pelorin::journal {

namespace {

QString csvCell(QString cell)
{
    static const QString formulaStarts = QStringLiteral("=+-@");
    cell = oneLine(cell);
    if (!cell.isEmpty() && formulaStarts.contains(cell.front()))
        cell.prepend(u'\'');
    if (cell.contains(u',') || cell.contains(u'"')) {
        cell.replace(QLatin1String("\""), QLatin1String("\"\""));
        cell = u'"' + cell + u'"';
    }
    return cell;
}

} // namespace

QString csvLine(const QStringList& cells)
{
    QStringList out;
    out.reserve(cells.size());
    for (const QString& c : cells)
        out << csvCell(c);
    return out.join(u',') + QStringLiteral("\r\n");
}

QByteArray encodeCsv(const QString& text, CsvEncoding encoding)
{
    switch (encoding) {
    case CsvEncoding::Windows1252:
        return toCp1252(text);
    case CsvEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case CsvEncoding::Utf8:
        break;
    }
    return text.toUtf8();
}

QString oneLine(QString cell)
{
    cell.replace(QLatin1String("\r\n"), QLatin1String(" / "));
    cell.replace(u'\r', QLatin1String(" / "));
    cell.replace(u'\n', QLatin1String(" / "));
    return cell;
}

QString tsvLine(const QStringList& cells)
{
    QStringList out;
    for (const QString& c : cells)
        out << oneLine(c).replace(u'\t', u' ');
    return out.join(u'\t');
}

JsonArrayWriter::JsonArrayWriter(QTextStream& out) : m_out(out)
{
    m_out << "[";
}

void JsonArrayWriter::add(const QJsonObject& object)
{
    // the object as an element of an indented array: one level further in
    QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Indented);
    text.chop(1);
    text.replace("\n", "\n    ");
    m_out << (m_first ? "\n    " : ",\n    ") << QString::fromUtf8(text);
    m_first = false;
}

void JsonArrayWriter::finish()
{
    m_out << "\n]\n";
}

QString filterDescription(const Filter& f)
{
    QStringList parts;
    if (!f.code.isEmpty())
        parts << QStringLiteral("code contenant « %1 »").arg(f.code);
    if (!f.system.isEmpty())
        parts << QStringLiteral("système « %1 »").arg(f.system);
    if (!f.perfume.isEmpty())
        parts << QStringLiteral("parfum « %1 »").arg(f.perfume);
    if (!f.place.isEmpty())
        parts << QStringLiteral("lieu « %1 »").arg(f.place);
    if (f.productionDate.isValid())
        parts << QStringLiteral("date de production %1").arg(f.productionDate.toString(QStringLiteral("dd/MM/yyyy")));
    if (f.from.isValid())
        parts << QStringLiteral("à partir du %1").arg(shownTime(f.from));
    if (f.to.isValid())
        parts << QStringLiteral("avant le %1").arg(shownTime(f.to));
    if (!f.workstation.isEmpty())
        parts << QStringLiteral("poste « %1 »").arg(f.workstation);
    if (f.kind) {
        static const char* const kinds[] = {"impressions", "lectures", "lectures à vérifier"};
        parts << QString::fromUtf8(kinds[int(*f.kind)]);
    }
    if (parts.isEmpty())
        return QStringLiteral("Filtre : aucun (tout le journal)");
    return QStringLiteral("Filtre : ") + parts.join(QLatin1String(", "));
}

QString madeAtDescription(const QDateTime& utc)
{
    const QDateTime local = utc.toLocalTime();
    return QStringLiteral("Établi le %1 à %2 (heure locale)")
        .arg(local.toString(QStringLiteral("dd/MM/yyyy")), local.toString(QStringLiteral("HH:mm:ss")));
}

void exportCsv(Search& search, View view, const QString& path, CsvEncoding encoding)
{
    checkWriteTarget(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("Impossible de créer le fichier « %1 » : %2").arg(path, file.errorString()));
    bool first = true;
    const auto write = [&](const QString& line) {
        QByteArray bytes = encodeCsv(line, encoding);
        // the mark opens the file only
        if (!first && encoding == CsvEncoding::Utf8Bom)
            bytes.remove(0, 3);
        first = false;
        file.write(bytes);
    };
    if (view == View::Reconciliation) {
        write(csvLine(Recall::totalHeaders()));
        ReconcileTotals total;
        search.forEachReconciled([&](const ReconcileRow& r) {
            total.add(r);
            write(csvLine(Recall::totalCells(r)));
        });
        write(csvLine(Recall::sumCells(total)));
    } else if (view == View::Entries) {
        write(csvLine(entryHeaders()));
        search.forEachEntry([&](const Row& r) { write(csvLine(entryCells(r.entry, Reader::Program))); });
    } else {
        write(csvLine(codeHeaders()));
        search.forEachCode(view, [&](const CodeRow& r) { write(csvLine(codeCells(r, Reader::Program))); });
    }
    if (!file.commit())
        throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 » : %2").arg(path, file.errorString()));
}

} // namespace pelorin::journal
