#include "code/labeltexts.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextLayout>
#include <QTextOption>

namespace pelorin {

namespace {

// CR LF, a lone CR and a lone LF each end a line.
QStringList splitLines(const QString& text)
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    return text.split(breaks);
}

} // namespace

QString loadIncrementalList(const QString& path)
{
    QByteArray bytes;
    try {
        bytes = readRegularFile(path, kMaxIncrementalListBytes, QStringLiteral("la liste"),
                                QStringLiteral("Text exceeds memo capacity"));
    } catch (const FileOpenError& e) {
        throw Error(e.reason());
    }
    return incrementalListFromBytes(bytes);
}

QString incrementalListFromBytes(const QByteArray& bytes)
{
    return splitLines(fromCp1252(bytes)).join(QStringLiteral("\r\n"));
}

QByteArray incrementalListBytes(const QString& text)
{
    const QString crlf = splitLines(text).join(QStringLiteral("\r\n"));
    bool lossless = true;
    const QByteArray bytes = toCp1252(crlf, &lossless);
    if (!lossless) {
        for (const char32_t ch : crlf.toUcs4())
            if (cp1252Byte(ch) < 0)
                throw Error(QStringLiteral("Le caractère « %1 » ne peut pas être enregistré dans un fichier texte "
                                           "Windows-1252 : la liste n'a pas été enregistrée.")
                                .arg(QString::fromUcs4(&ch, 1)));
    }
    return bytes;
}

void saveIncrementalList(const QString& path, const QString& text)
{
    const QByteArray bytes = incrementalListBytes(text);
    checkWriteTarget(path);
    // an existing file that cannot be written is refused with the system's own message, before the
    // replacement below could step around its permissions
    if (QFileInfo::exists(path)) {
        QFile existing(path);
        if (!existing.open(QIODevice::WriteOnly | QIODevice::Append))
            throw Error(existing.errorString());
    }
    QSaveFile file(path);
    // a writable file in a folder where no temporary file can be made is still written in place
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(file.errorString());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(file.errorString());
}

QStringList displayedLines(const QString& text, const QFont& font, qreal textWidth)
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    for (const QString& block : splitLines(text)) {
        QTextLayout layout(block, font);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(textWidth);
            lines << block.mid(line.textStart(), line.textLength()).left(kMaxLineLength);
        }
        layout.endLayout();
    }
    return lines;
}

} // namespace pelorin
