#include "scan/scbfile.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"

#include <QFile>
#include <QSaveFile>

namespace pelorin {

namespace {

const QString kHeader = QStringLiteral("ScanCode");

QString cannotCreate(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(path, reason);
}

} // namespace

QByteArray scbBytes(const QStringList& codes)
{
    QByteArray bytes;
    bytes.reserve((codes.size() + 2) * 24);
    auto line = [&bytes](const QString& text) {
        bool lossless = true;
        bytes += toCp1252(text, &lossless);
        if (!lossless)
            throw Error(QStringLiteral("Le code « %1 » contient un caractère qu'un fichier de codes ne peut pas "
                                       "contenir.")
                            .arg(text));
        bytes += "\r\n";
    };
    line(kHeader);
    for (const QString& code : codes)
        line(code);
    // the grid's empty last row
    bytes += "\r\n";
    return bytes;
}

QStringList scbCodes(const QByteArray& bytes)
{
    const QString text = fromCp1252(bytes);
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    // text after the last line end is a line of its own; a line end at the very end starts none
    if (start < n)
        lines << text.mid(start);
    // The first line is the header. The program writes the grid's empty last row as a last empty
    // line; a file written by hand or by another tool often ends with its last code instead, which
    // is a code like the others.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.size() <= 1 ? QStringList() : lines.mid(1);
}

void writeScbFile(const QString& path, const QStringList& codes)
{
    const QByteArray bytes = scbBytes(codes);
    checkWriteTarget(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(cannotCreate(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(cannotCreate(path, file.errorString()));
}

QStringList readScbFile(const QString& path)
{
    return scbCodes(readRegularFile(path, kMaxScbFileBytes, QStringLiteral("le fichier de codes")));
}

bool hasControlCharacters(const QString& text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return true;
    return false;
}

ScbReads readScbReads(const QString& path)
{
    return scbReads(readRegularFile(path, kMaxScbFileBytes, QStringLiteral("le fichier de codes")), path);
}

ScbReads scbReads(const QByteArray& bytes, const QString& path)
{
    // the header is what tells a sheet of codes from any other text: a page description, a
    // configuration file or a program would otherwise give a "read" per line
    const qsizetype end = bytes.indexOf('\n');
    QByteArray first = end < 0 ? bytes : bytes.left(end);
    if (first.endsWith('\r'))
        first.chop(1);
    if (first.trimmed() != kHeader.toLatin1())
        throw Error(QStringLiteral("« %1 » n'est pas un fichier de codes scannés : sa première ligne n'est pas "
                                   "« %2 ».")
                        .arg(path, kHeader));
    ScbReads reads;
    for (const QString& line : scbCodes(bytes)) {
        if (line.trimmed().isEmpty() || line.size() > kMaxReadLength || hasControlCharacters(line))
            ++reads.notCodes;
        else
            reads.codes << line;
    }
    return reads;
}

} // namespace pelorin
