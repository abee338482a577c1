#include "app/cli/cli.h"
#include "app/cli/commandline.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "scan/decode.h"
#include "scan/scbfile.h"

#include <QFile>
#include <QJsonObject>
#include <QJsonDocument>
#include <QTextStream>

namespace pelorin::cli {

namespace {

const QString kStandardInput = QStringLiteral("-");

// The names of a decoded code's fields: the scan grid's headers in CSV, plain keys in JSON.
const char* const kCsvHeaders[] = {"ScanCode", "Système", "Masse", "Boite", "Couleur", "Parfum", "Usine", "Date"};
const char* const kJsonKeys[] = {"code", "systeme", "masse", "boite", "couleur", "parfum", "usine", "date"};

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

// One code a line, LF or CR LF; blank lines are no codes.
QStringList codeLines(const QString& text)
{
    QStringList codes;
    for (QString line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty())
            codes << line;
    }
    return codes;
}

// RFC 4180: a field holding a comma, a quote or a line break goes between quotes, its quotes doubled.
// A field a spreadsheet would take for a formula (=, +, -, @ first) gets a leading apostrophe, as in
// the journal's CSV, so that a scanned text cannot run one.
QString csvField(const QString& field)
{
    QString text = field;
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front()))
        text.prepend(u'\'');
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QLatin1String("\"\""));
    return u'"' + quoted + u'"';
}

QString csvRecord(const QStringList& fields)
{
    QStringList cells;
    for (const QString& f : fields)
        cells << csvField(f);
    return cells.join(u',') + QLatin1String("\r\n");
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
    try {
        config.load();
        if (hasScb) {
            const QString scb = line.value(QStringLiteral("scb"));
            codes = scb == kStandardInput ? scbCodes(readStandardInput()) : readScbFile(scb);
        } else if (const qsizetype at = codes.indexOf(kStandardInput); at >= 0) {
            codes = codes.mid(0, at) + codeLines(inputText(readStandardInput())) + codes.mid(at + 1);
        }
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }

    const CodeDecoder decoder(config);
    const DecodeBatch batch(decoder);
    int status = 0;
    if (format == Format::Csv) {
        QStringList headers;
        for (const char* h : kCsvHeaders)
            headers << QString::fromUtf8(h);
        out << csvRecord(headers);
    } else if (format == Format::Json) {
        out << "[";
    }
    bool first = true;
    for (const QString& code : std::as_const(codes)) {
        QString dateError;
        DecodedTexts texts;
        try {
            texts = decoder.decodeAll(code, &dateError);
        } catch (const Error& e) {
            out.flush();
            err << e.message() << '\n';
            return 1;
        }
        const QStringList fields = QStringList{code} + QStringList(texts.begin(), texts.end());
        switch (format) {
        case Format::Tsv:
            out << decodedLine(code, QStringList(texts.begin(), texts.end())) << '\n';
            break;
        case Format::Csv:
            out << csvRecord(fields);
            break;
        case Format::Json: {
            QJsonObject object;
            for (int i = 0; i < fields.size(); ++i)
                object.insert(QLatin1String(kJsonKeys[i]), fields[i]);
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
    }
    if (format == Format::Json)
        out << (first ? "]\n" : "\n]\n");
    return status;
}

} // namespace pelorin::cli
