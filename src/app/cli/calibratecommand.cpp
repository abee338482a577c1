#include "app/cli/cli.h"
#include "app/cli/commandline.h"

#include "base/error.h"
#include "labels/calibration.h"
#include "labels/description.h"
#include "labels/executedpage.h"
#include "labels/exporter.h"
#include "labels/ui/printing.h"

#include <QFileInfo>
#include <QTextStream>

namespace pelorin::cli {

namespace {

const char* const kValueOptions[] = {"dx", "dy", "sx", "sy"};

// A decimal of the command line, with a point or a comma whatever the regional settings.
std::optional<double> decimalArgument(const QString& text)
{
    try {
        return descriptionDecimal(text.trimmed());
    } catch (const Error&) {
        return std::nullopt;
    }
}

} // namespace

// pelorin calibrate: the calibration page of a printer, and the offset and scale stored for it on
// this workstation. Exit status 0 when done, 1 for an error (no such printer, a file that cannot be
// written), 2 for a usage error.
int calibrateCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("calibrate"), QString(),
                     QStringLiteral("Imprime la page de calibration d'une imprimante, enregistre le décalage et "
                                    "l'échelle mesurés sur cette page, que toute impression sur cette imprimante "
                                    "applique ensuite, ou les affiche."));
    line.add({QStringLiteral("printer")}, QStringLiteral("L'imprimante (une file CUPS)."), QStringLiteral("NOM"));
    line.add({QStringLiteral("page")},
             QStringLiteral("Imprime la page de calibration (règles en millimètres, croix A, B et C, consignes), ou "
                            "l'écrit en PDF avec -o."));
    line.add({QStringLiteral("o"), QStringLiteral("output")},
             QStringLiteral("Avec --page : le fichier PDF écrit au lieu d'imprimer."), QStringLiteral("FICHIER.pdf"));
    line.add({QStringLiteral("dx")},
             QStringLiteral("Le décalage vers la droite, en millimètres, de %1 à %2.")
                 .arg(-kMostCalibrationOffsetMm)
                 .arg(kMostCalibrationOffsetMm),
             QStringLiteral("MM"));
    line.add({QStringLiteral("dy")},
             QStringLiteral("Le décalage vers le bas, en millimètres, de %1 à %2.")
                 .arg(-kMostCalibrationOffsetMm)
                 .arg(kMostCalibrationOffsetMm),
             QStringLiteral("MM"));
    line.add({QStringLiteral("sx")},
             QStringLiteral("L'échelle horizontale, en pour cent, de %1 à %2 (inchangée sans cette option).")
                 .arg(kLeastCalibrationScale)
                 .arg(kMostCalibrationScale),
             QStringLiteral("%"));
    line.add({QStringLiteral("sy")},
             QStringLiteral("L'échelle verticale, en pour cent, de %1 à %2 (inchangée sans cette option).")
                 .arg(kLeastCalibrationScale)
                 .arg(kMostCalibrationScale),
             QStringLiteral("%"));
    if (const std::optional<int> answered = line.answer(arguments, out, err, false))
        return *answered;

    const QString printer = line.value(QStringLiteral("printer"));
    if (printer.isEmpty())
        return line.usageError(err, QStringLiteral("pelorin calibrate : imprimante manquante (--printer NOM)"));
    bool storing = false;
    for (const char* name : kValueOptions)
        storing = storing || line.isSet(QString::fromLatin1(name));
    const bool pageWanted = line.isSet(QStringLiteral("page"));
    const QString output = line.value(QStringLiteral("output"));
    if (pageWanted && storing)
        return line.usageError(err, QStringLiteral("pelorin calibrate : --page ne va pas avec --dx, --dy, --sx, --sy"));
    if (line.isSet(QStringLiteral("output")) && !pageWanted)
        return line.usageError(err, QStringLiteral("pelorin calibrate : -o ne va qu'avec --page"));
    if (line.isSet(QStringLiteral("output")) && QFileInfo(output).suffix().toLower() != u"pdf")
        return line.usageError(err, QStringLiteral("pelorin calibrate : %1 n'est pas un fichier .pdf").arg(output));

    try {
        if (pageWanted) {
            const report::ExecutedPage page =
                report::execute(calibrationPage(report::printerPaperInches(printer), printer));
            if (!output.isEmpty()) {
                report::exportPdf(page, output);
                return 0;
            }
            if (report::printerQueue(printer).isEmpty())
                throw Error(QStringLiteral("L'imprimante « %1 » n'existe pas.").arg(printer));
            report::PrintJob job;
            job.printer = printer;
            job.name = QStringLiteral("Pelorin calibration %1").arg(printer);
            job.calibrated = false;
            report::printPage(page, job);
            return 0;
        }
        if (!storing) {
            out << calibrationText(loadCalibration(printer)) << '\n';
            return 0;
        }

        // the values not given stay as stored
        PrinterCalibration calibration = loadCalibration(printer);
        double* const fields[] = {&calibration.dx, &calibration.dy, &calibration.sx, &calibration.sy};
        for (size_t i = 0; i < std::size(kValueOptions); ++i) {
            const QString name = QString::fromLatin1(kValueOptions[i]);
            if (!line.isSet(name))
                continue;
            const std::optional<double> v = decimalArgument(line.value(name));
            if (!v)
                return line.usageError(err,
                                       QStringLiteral("--%1 : « %2 » n'est pas un nombre").arg(name, line.value(name)));
            *fields[i] = *v;
        }
        try {
            checkCalibration(calibration);
        } catch (const Error& e) {
            return line.usageError(err, e.message());
        }
        if (report::printerQueue(printer).isEmpty())
            throw Error(QStringLiteral("L'imprimante « %1 » n'existe pas.").arg(printer));
        saveCalibration(printer, calibration);
        out << calibrationText(calibration) << '\n';
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace pelorin::cli
