#include "app/cli/cli.h"
#include "app/cli/commandline.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "journal/columns.h"
#include "journal/export.h"
#include "scan/decode.h"
#include "scan/scbfile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <cstdio>
#include <cstring>
#include <algorithm>

namespace pelorin::cli {

namespace {

const QString kStandardInput = QStringLiteral("-");

// The names of a decoded code's fields: the scan grid's headers in CSV; in JSON the keys the
// journal's listings give the same texts.
const char* const kCsvHeaders[] = {"ScanCode", "Système", "Masse", "Boite", "Couleur", "Parfum", "Usine", "Date"};

QStringList jsonKeys()
{
    return QStringList{QStringLiteral("code")} + journal::decodedJsonKeys();
}

// A line of standard input longer than this is no code: the rest of it is passed over, so that an
// input without line breaks cannot fill the memory.
constexpr size_t kLongestLine = 64 * 1024;

// Reads standard input one line at a time, without its line break (LF or CR LF). False at its end.
// `tooLong` when the line was cut.
bool readInputLine(QByteArray* line, bool* tooLong)
{
    line->clear();
    *tooLong = false;
    char buffer[4096];
    bool any = false;
    while (std::fgets(buffer, sizeof buffer, stdin)) {
        any = true;
        const size_t n = std::strlen(buffer);
        const bool ended = n > 0 && buffer[n - 1] == '\n';
        if (size_t(line->size()) < kLongestLine)
            line->append(buffer, qsizetype(std::min(n, kLongestLine - size_t(line->size()))));
        else
            *tooLong = true;
        if (ended)
            break;
    }
    if (line->endsWith('\n'))
        line->chop(1);
    if (line->endsWith('\r'))
        line->chop(1);
    return any;
}

enum class Format { Tsv, Csv, Json };

QByteArray readStandardInput()
{
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        throw Error(QStringLiteral("L'entrée standard ne peut pas être lue."));
    return in.readAll();
}

// Text from a pipe or a terminal: UTF-8 when it is, else the Windows-1252 of the program's files.
QString inputText(const QByteArray& bytes)
{
    QString text = QString::fromUtf8(bytes);
    if (text.toUtf8() != bytes)
        text = fromCp1252(bytes);
    return text;
}

} // namespace

// pelorin decode: each code with its seven decoded texts. Exit status 0 when every code decoded, 3
// when some field of some code did not ("Erreur", or a date that is no day of its year), 1 for an
// error that stopped the decoding, 2 for a usage error.
int decodeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("decode"), QStringLiteral("CODE...|-"),
                     QStringLiteral("Décode des codes scannés, donnés en arguments, lus dans une feuille de codes "
                                    "(--scb) ou sur l'entrée standard (-, un code par ligne) : le code, puis le "
                                    "système, la masse, le conditionnement, la couleur, le parfum, le lieu de "
                                    "production et la date. « -- » termine les options, pour un code qui commence "
                                    "par un tiret."));
    line.addDataOption();
    line.add({QStringLiteral("scb")},
             QStringLiteral("Décode les codes de cette feuille de codes scannés (.SCB) ; « - » la lit sur l'entrée "
                            "standard."),
             QStringLiteral("FICHIER"));
    line.add({QStringLiteral("format")},
             QStringLiteral("La forme de la sortie : tsv (par défaut, une ligne par code, champs séparés par des "
                            "tabulations), csv (avec une ligne d'en-tête, RFC 4180) ou json (un tableau d'objets, "
                            "un par code, aux champs code, systeme, masse, boite, couleur, parfum, usine, date)."),
             QStringLiteral("tsv|csv|json"));
    if (const std::optional<int> answered = line.answer(arguments, out, err))
        return *answered;

    Format format = Format::Tsv;
    if (line.isSet(QStringLiteral("format"))) {
        const QString f = line.value(QStringLiteral("format"));
        if (f == u"csv")
            format = Format::Csv;
        else if (f == u"json")
            format = Format::Json;
        else if (f != u"tsv")
            return line.usageError(err, QStringLiteral("--format : tsv, csv ou json, pas « %1 »").arg(f));
    }
    const bool hasScb = line.isSet(QStringLiteral("scb"));
    QStringList codes = line.positional();
    if (hasScb && !codes.isEmpty())
        return line.usageError(err, QStringLiteral("pelorin decode : des codes ou --scb, pas les deux"));
    if (!hasScb && codes.isEmpty())
        return line.usageError(err, QStringLiteral("pelorin decode : aucun code à décoder"));
    if (codes.count(kStandardInput) > 1)
        return line.usageError(err, QStringLiteral("pelorin decode : l'entrée standard ne se lit qu'une fois"));

    DataFolder::locate(line.isSet(QStringLiteral("data")) ? line.value(QStringLiteral("data")) : QString());

    ConfigFile config;
    // the codes before "-", those of standard input, then those after it
    QStringList before = codes, after;
    bool standardInput = false;
    try {
        config.load();
        if (hasScb) {
            const QString scb = line.value(QStringLiteral("scb"));
            before = scb == kStandardInput ? scbCodes(readStandardInput()) : readScbFile(scb);
        } else if (const qsizetype at = codes.indexOf(kStandardInput); at >= 0) {
            before = codes.mid(0, at);
            after = codes.mid(at + 1);
            standardInput = true;
        }
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }

    const CodeDecoder decoder(config);
    const DecodeBatch batch(decoder);
    int status = 0;
    const QStringList keys = jsonKeys();
    if (format == Format::Csv) {
        QStringList headers;
        for (const char* h : kCsvHeaders)
            headers << QString::fromUtf8(h);
        out << journal::csvLine(headers);
    } else if (format == Format::Json) {
        out << "[";
    }
    bool first = true;
    // false when the decoding cannot go on
    const auto decodeOne = [&](const QString& code) {
        QString dateError;
        DecodedTexts texts;
        try {
            texts = decoder.decodeAll(code, &dateError);
        } catch (const Error& e) {
            out.flush();
            err << e.message() << '\n';
            status = 1;
            return false;
        }
        QStringList fields = QStringList{code} + QStringList(texts.begin(), texts.end());
        switch (format) {
        case Format::Tsv:
            out << decodedLine(code, QStringList(texts.begin(), texts.end())) << '\n';
            break;
        case Format::Csv:
            // the production day in ISO 8601, whatever the regional settings
            fields.last() = journal::programDate(code, fields.last());
            out << journal::csvLine(fields);
            break;
        case Format::Json: {
            fields.last() = journal::programDate(code, fields.last());
            QJsonObject object;
            for (int i = 0; i < fields.size(); ++i)
                object.insert(keys[i], fields[i]);
            out << (first ? "\n" : ",\n") << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
            break;
        }
        }
        first = false;
        if (texts.end() != std::find(texts.begin(), texts.end(), QStringLiteral("Erreur")))
            status = 3;
        if (!dateError.isEmpty()) {
            // the code is written with its date empty, as the scan sheet shows it, and the next
            // codes are still decoded
            out.flush();
            err << dateError << '\n';
            err.flush();
            status = 3;
        }
        return true;
    };
    for (const QString& code : std::as_const(before))
        if (!decodeOne(code))
            return 1;
    if (standardInput) {
        // each line is decoded as it comes and its result written at once: a scanner piped in sees
        // every answer as it reads, and an endless input takes no more memory than one line
        QByteArray bytes;
        bool tooLong = false;
        qint64 number = 0;
        while (readInputLine(&bytes, &tooLong)) {
            ++number;
            if (tooLong) {
                out.flush();
                err << QStringLiteral("Ligne %1 de l'entrée standard : plus de %2 octets, ce n'est pas un code.")
                           .arg(number)
                           .arg(kLongestLine)
                    << '\n';
                err.flush();
                status = std::max(status, 3);
                continue;
            }
            const QString code = inputText(bytes);
            if (code.trimmed().isEmpty())
                continue;
            if (!decodeOne(code))
                return 1;
            if (!flushOutput(out)) {
                err << outputLostMessage() << '\n';
                return 1;
            }
        }
    }
    for (const QString& code : std::as_const(after))
        if (!decodeOne(code))
            return 1;
    if (format == Format::Json)
        out << (first ? "]\n" : "\n]\n");
    return status;
}

} // namespace pelorin::cli
