#include "app/cli/cli.h"

#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"
#include "scan/decode.h"
#include "scan/scbfile.h"

#include <QTextStream>

namespace pelorin::cli {

int decodeCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    QStringList args = arguments;
    QString dataDir, scbPath, optionError;
    const bool hasData = takeOption(args, QStringLiteral("--data"), dataDir, &optionError);
    const bool hasScb = takeOption(args, QStringLiteral("--scb"), scbPath, &optionError);
    if (!optionError.isEmpty()) {
        err << optionError << '\n';
        return 2;
    }
    // "--" ends the options, for codes that begin with a dash
    const qsizetype dashes = args.indexOf(QStringLiteral("--"));
    QStringList codes = dashes < 0 ? args : args.mid(dashes + 1);
    const QStringList options = dashes < 0 ? args : args.first(dashes);
    for (const QString& a : options)
        if (a.startsWith(QLatin1String("--"))) {
            err << "pelorin decode : option inconnue " << a << '\n' << usage();
            return 2;
        }
    if (hasScb == !codes.isEmpty()) {
        err << usage();
        return 2;
    }

    DataFolder::locate(hasData ? dataDir : QString());

    ConfigFile config;
    try {
        config.load();
        if (hasScb)
            codes = readScbFile(scbPath);
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }

    const CodeDecoder decoder(config);
    const DecodeBatch batch(decoder);
    int status = 0;
    for (const QString& code : codes) {
        QString dateError;
        DecodedTexts texts;
        try {
            texts = decoder.decodeAll(code, &dateError);
        } catch (const Error& e) {
            err << e.message() << '\n';
            return 1;
        }
        out << decodedLine(code, QStringList(texts.begin(), texts.end())) << '\n';
        if (!dateError.isEmpty()) {
            // the row is printed with its date empty, as the scan sheet shows it, and the next
            // codes are still decoded
            out.flush();
            err << dateError << '\n';
            err.flush();
            status = 1;
        }
    }
    return status;
}

} // namespace pelorin::cli
