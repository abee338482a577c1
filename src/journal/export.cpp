#include "journal/export.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <cstdio>

namespace pelorin::journal {

namespace {

QString csvCell(QString cell)
{
    static const QString formulaStarts = QStringLiteral("=+-@");
    if (!cell.isEmpty() && formulaStarts.contains(cell.front()))
        cell.prepend(u'\'');
    if (cell.contains(u';') || cell.contains(u'"') || cell.contains(u'\n') || cell.contains(u'\r')) {
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
    return out.join(u';') + QStringLiteral("\r\n");
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

QString tsvLine(const QStringList& cells)
{
    QStringList out;
    for (QString c : cells) {
        c.replace(QLatin1String("\r\n"), QLatin1String(" / "));
        c.replace(u'\r', QLatin1String(" / "));
        c.replace(u'\n', QLatin1String(" / "));
        c.replace(u'\t', u' ');
        out << c;
    }
    return out.join(u'\t');
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
    if (view == View::Entries) {
        write(csvLine(entryHeaders()));
        search.forEachEntry([&](const Row& r) { write(csvLine(entryCells(r.entry))); });
    } else {
        write(csvLine(codeHeaders()));
        search.forEachCode(view, [&](const CodeRow& r) { write(csvLine(codeCells(r))); });
    }
    if (!file.commit())
        throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 » : %2").arg(path, file.errorString()));
}

void exportPdf(Search& search, View view, const QString& path, const QString& title)
{
    checkWriteTarget(path);
    // the columns worth paper; the id and the long texts stay in the CSV
    QStringList headers;
    QList<int> columns;
    if (view == View::Entries) {
        headers = entryHeaders();
        columns = entryColumnsOnPaper();
    } else {
        headers = codeHeaders();
        columns = codeColumnsOnPaper();
    }
    const QString tmp = path + QStringLiteral(".part");
    {
        QPdfWriter pdf(tmp);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Pelorin"));
        pdf.setResolution(300);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
        QPainter p;
        if (!p.begin(&pdf))
            throw Error(QStringLiteral("Impossible de créer le fichier « %1 ».").arg(path));
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPointSizeF(7);
        p.setFont(font);
        const QRect page = p.viewport();
        const int lineHeight = QFontMetrics(font, &pdf).height() + 6;
        const int columnWidth = page.width() / int(columns.size());
        int y = 0;
        int pageNumber = 1;
        const auto header = [&] {
            QFont bold = font;
            bold.setBold(true);
            p.setFont(bold);
            p.drawText(QRect(0, 0, page.width(), lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("%1 — page %2").arg(title).arg(pageNumber));
            y = lineHeight * 3 / 2;
            for (int i = 0; i < columns.size(); ++i)
                p.drawText(QRect(i * columnWidth, y, columnWidth - 4, lineHeight), Qt::AlignLeft | Qt::AlignVCenter,
                           headers[columns[i]]);
            y += lineHeight;
            p.drawLine(0, y, page.width(), y);
            p.setFont(font);
        };
        header();
        const auto line = [&](const QStringList& cells) {
            if (y + lineHeight > page.height()) {
                pdf.newPage();
                ++pageNumber;
                header();
            }
            for (int i = 0; i < columns.size(); ++i) {
                QString cell = cells.value(columns[i]);
                cell.replace(QLatin1String("\r\n"), QLatin1String(" / "));
                const QRect box(i * columnWidth, y, columnWidth - 4, lineHeight);
                p.drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                           p.fontMetrics().elidedText(cell, Qt::ElideRight, box.width()));
            }
            y += lineHeight;
        };
        if (view == View::Entries)
            search.forEachEntry([&](const Row& r) { line(entryCells(r.entry)); });
        else
            search.forEachCode(view, [&](const CodeRow& r) { line(codeCells(r)); });
        if (!p.end())
            throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(path));
    }
    // rename() replaces the old file in one step: a failed export leaves it as it was
    if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(tmp);
        throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(path));
    }
}

} // namespace pelorin::journal
