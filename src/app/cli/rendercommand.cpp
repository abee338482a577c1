#include "app/cli/cli.h"
#include "app/cli/commandline.h"
#include "app/cli/selection.h"
#include "app/cli/labelpage.h"

#include "base/convert.h"
#include "base/error.h"
#include "labels/exporter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

namespace pelorin::cli {

namespace {

constexpr int kMinDpi = 10;
constexpr int kMaxDpi = 600; // an A4 page at 600 dpi is already a 140 MB image

const QString kStandardOutput = QStringLiteral("-");

// The PDF on standard output (to pipe into lp): written to a private file first, since the
// exporter replaces a file only once complete, then copied out whole.
void writePdfToStandardOutput(const report::ExecutedPage& page, int dpi, bool hasDpi)
{
    QTemporaryDir dir;
    if (!dir.isValid())
        throw Error(QStringLiteral("Impossible de créer un dossier temporaire : %1").arg(dir.errorString()));
    const QString path = dir.filePath(QStringLiteral("page.pdf"));
    if (hasDpi)
        report::exportPdf(page, path, dpi);
    else
        report::exportPdf(page, path);
    QFile pdf(path);
    if (!pdf.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(path, pdf.errorString()));
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly) || out.write(pdf.readAll()) != pdf.size() || !out.flush())
        throw Error(outputLostMessage());
}

} // namespace

// pelorin render: the page of labels as the main window prints it, written to a PDF or PNG file.
// Exit status 0 when written, 1 for an error (the page is still written after an unknown component
// type, as the window prints it), 2 for a usage error.
int renderCommand(const QStringList& arguments, QTextStream& out, QTextStream& err)
{
    CommandLine line(QStringLiteral("render"), QString(),
                     QStringLiteral("Écrit la page d'étiquettes telle qu'elle s'imprimerait, en PDF ou en PNG ; rien "
                                    "n'est écrit quand la page ne peut pas être construite."));
    addSelectionOptions(line);
    addPageOptions(line);
    line.add({QStringLiteral("dpi")},
             QStringLiteral("La résolution de l'image PNG, ou celle de l'imprimante aux points de laquelle les "
                            "codes-barres du PDF sont ajustés, de %1 à %2 points par pouce (300 par défaut).")
                 .arg(kMinDpi)
                 .arg(kMaxDpi),
             QStringLiteral("N"));
    line.add({QStringLiteral("o"), QStringLiteral("output")},
             QStringLiteral("Le fichier écrit, dont l'extension (.pdf ou .png) choisit le format ; « - » écrit le PDF "
                            "sur la sortie standard."),
             QStringLiteral("FICHIER"));
    if (const std::optional<int> answered = line.answer(arguments, out, err, false))
        return *answered;
    if (const std::optional<int> refused = refuseSelections(line, err))
        return *refused;

    const QString output = line.value(QStringLiteral("output"));
    if (output.isEmpty())
        return line.usageError(
            err, QStringLiteral("pelorin render : fichier de sortie manquant (-o FICHIER.pdf|FICHIER.png)"));
    const bool toStandardOutput = output == kStandardOutput;
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (!toStandardOutput && suffix != u"pdf" && suffix != u"png")
        return line.usageError(
            err, QStringLiteral("pelorin render : %1 n'est ni un fichier .pdf ni un fichier .png").arg(output));
    const bool pdf = toStandardOutput || suffix == u"pdf";
    const bool hasDpi = line.isSet(QStringLiteral("dpi"));
    int dpi = 300;
    try {
        if (hasDpi)
            dpi = strToInt(line.value(QStringLiteral("dpi")));
    } catch (const Error& e) {
        return line.usageError(err, e.message());
    }
    if (dpi < kMinDpi || dpi > kMaxDpi)
        return line.usageError(
            err, QStringLiteral("--dpi : résolution de %1 à %2 points par pouce").arg(kMinDpi).arg(kMaxDpi));

    try {
        const LabelPage page = buildLabelPage(selectionOptions(line), pageOptions(line));
        if (toStandardOutput)
            writePdfToStandardOutput(page.executed, dpi, hasDpi);
        else if (pdf && hasDpi)
            report::exportPdf(page.executed, output, dpi);
        else if (pdf)
            report::exportPdf(page.executed, output);
        else
            report::exportPng(page.executed, output, dpi);
        if (!page.result.complete()) {
            err << page.result.message << '\n';
            return 1;
        }
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}

} // namespace pelorin::cli
