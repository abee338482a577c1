#include "editor/textlines.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

namespace pelorin {

namespace {

QString cannotCreate(const QString& path, const QString& reason)
{
    return QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

QStringList readTextLines(const QString& path)
{
    const QByteArray bytes =
        readRegularFile(path, kMaxEditorFileBytes, QStringLiteral("le fichier"),
                        QStringLiteral("Le fichier « %1 » est trop grand pour l'éditeur (plus de 8 Mo).")
                            .arg(QFileInfo(path).fileName()));
    return textLinesFromBytes(bytes);
}

QStringList textLinesFromBytes(const QByteArray& bytes)
{
    QString text = fromCp1252(bytes);
    if (text.isEmpty())
        return {};
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(breaks);
    // "a CR LF b CR LF" is two lines, not two and an empty third
    if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        lines.removeLast();
    return lines;
}

QByteArray textLinesBytes(const QStringList& lines)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        bool lossless = true;
        bytes += toCp1252(lines.at(i), &lossless);
        if (!lossless) {
            for (const char32_t ch : lines.at(i).toUcs4())
                if (cp1252Byte(ch) < 0)
                    throw Error(QStringLiteral("Le caractère « %1 » de la ligne %2 ne peut pas être enregistré en "
                                               "Windows-1252 : le fichier n'a pas été enregistré.")
                                    .arg(QString::fromUcs4(&ch, 1))
                                    .arg(i + 1));
        }
        bytes += "\r\n";
    }
    return bytes;
}

void writeTextLines(const QString& path, const QStringList& lines)
{
    const QByteArray bytes = textLinesBytes(lines);
    checkWriteTarget(path);
    // an existing file that may not be written is refused with the system's message, before the
    // replacement below could step around its permissions
    if (QFileInfo::exists(path)) {
        QFile existing(path);
        if (!existing.open(QIODevice::WriteOnly | QIODevice::Append))
            throw Error(cannotCreate(path, existing.errorString()));
    }
    QSaveFile file(path);
    // a writable file in a folder where no temporary file can be made is still written in place
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(cannotCreate(path, file.errorString()));
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw Error(cannotCreate(path, file.errorString()));
}

QStringList textLines(const QString& text)
{
    if (text.isEmpty())
        return {};
    return text.split(u'\n');
}

} // namespace pelorin
