// The page of labels from its description to the screen and to PDF: how long a rebuild takes, and
// that it grows with the number of labels and nothing worse. The preview is rebuilt whole at every
// click on the selection grid, so a 65-label sheet has to be rebuilt and painted well within one
// 60 Hz frame (16 ms).
#include "base/error.h"
#include "config/xmldocument.h"
#include "labels/barcodecheck.h"
#include "labels/description.h"
#include "labels/exporter.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/pagebuild.h"
#include "labels/executedpage.h"
#include "labels/painter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

using namespace pelorin;

// Sheets of 38,1 x 21,2 mm labels: 8 (2 x 4), 24 (3 x 8) and 65 (5 x 13), six components each.
struct Grid
{
    int columns, rows;
};

Grid gridFor(int labels)
{
    switch (labels) {
    case 8:
        return {2, 4};
    case 24:
        return {3, 8};
    default:
        return {5, 13};
    }
}

QString decimal(double value)
{
    return QLocale::system().toString(value, 'g', 6);
}

QString descriptionText(int labels)
{
    const Grid g = gridFor(labels);
    FormatTexts f;
    f.Reference = QStringLiteral("Planche %1").arg(labels);
    f.Ligne = QString::number(g.rows);
    f.Colonne = QString::number(g.columns);
    f.MargeGauche = decimal(4.75);
    f.MargeDroite = decimal(4.75);
    f.MargeHaute = decimal(10.7);
    f.MargeBasse = decimal(10.7);
    f.LargeurEtiquette = decimal(38.1);
    f.HauteurEtiquette = decimal(21.2);
    f.EtiquetteVerticalRadius = QStringLiteral("2");
    f.EtiquetteHorizontalRadius = QStringLiteral("2");
    f.EcartHorizontal = decimal(2.5);
    f.EcartVertical = QStringLiteral("0");

    const auto component = [](const char* type, const char* name, double top, double left, double height,
                              double width) {
        ComponentTexts c;
        c.Type = QString::fromLatin1(type);
        c.Name = QString::fromLatin1(name);
        c.Top = decimal(top);
        c.Left = decimal(left);
        c.Height = decimal(height);
        c.Width = decimal(width);
        c.Taille = QStringLiteral("8");
        c.Text = QStringLiteral("Fabriqué en France");
        return c;
    };
    QStringList lines = newDescriptionLines(f);
    const ComponentTexts components[] = {
        component("AutoBarCode", "Code", 1, 1, 8, 36),       component("AutoTexte", "Operateur", 10, 1, 3, 25),
        component("AutoIncTexte", "Numero", 13.5, 1, 3, 25), component("Texte", "Mention", 17, 1, 3, 25),
        component("AutoLogo", "Logo", 10, 28, 9, 9),         component("Rectangle", "Cadre", 0.5, 0.5, 20.2, 37.1),
    };
    for (const ComponentTexts& c : components)
        insertComponentBlock(lines, componentBlockLines(c));
    return lines.join(QStringLiteral("\r\n"));
}

// The main window's state for one sheet: its description, marks and live values.
struct Fixture
{
    LabelDescription doc; // parsed once, as the windows hold it
    SelectionMarks marks;
    FixedLabelValues values;

    Fixture(int labels, const QString& logo)
    {
        doc = LabelDescription::parse(descriptionText(labels));
        marks.rebuild(doc);
        values.m_code = QStringLiteral("B25012515LAV5930033906");
        values.m_operatorText = QStringLiteral("Opérateur 1");
        values.m_version = QStringLiteral("2.1.1.7");
        values.m_logoPath = logo;
        for (int i = 0; i < 100; ++i)
            values.m_incrementalLines << QStringLiteral("Lot %1").arg(i);
    }

    report::ExecutedPage buildAndExecute()
    {
        report::Page page;
        const PageBuildResult result = buildPage(page, doc, marks, values);
        if (!result.complete())
            throw Error(result.message);
        return report::execute(page);
    }
};

QString logoFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        QImage logo(120, 120, QImage::Format_RGB32);
        logo.fill(Qt::white);
        QPainter p(&logo);
        p.setBrush(QColor(30, 80, 150));
        p.drawEllipse(10, 10, 100, 100);
        p.end();
        const QString file = dir.filePath(QStringLiteral("Anzin.bmp"));
        logo.save(file, "BMP");
        return file;
    }();
    return path;
}

void setLabels(benchmark::State& state, int labels)
{
    state.SetComplexityN(labels);
    state.counters["labels"] = labels;
}

// Reading the description into the page model only.
void BM_Build(benchmark::State& state)
{
    const int labels = int(state.range(0));
    Fixture f(labels, logoFile());
    for (auto _ : state) {
        report::Page page;
        benchmark::DoNotOptimize(buildPage(page, f.doc, f.marks, f.values));
        benchmark::DoNotOptimize(page.components().size());
    }
    setLabels(state, labels);
}

// Reading a description text into its typed form (opening a file, the editor's redraw).
void BM_ParseDescription(benchmark::State& state)
{
    const int labels = int(state.range(0));
    const QString text = descriptionText(labels);
    for (auto _ : state) {
        LabelDescription d = LabelDescription::parse(text);
        benchmark::DoNotOptimize(d.components().size());
    }
    setLabels(state, labels);
}

// What a click on the selection grid costs: build, execute (read the logo, encode the barcodes) and
// paint the whole page at 96 dpi (the preview at 100 %, larger than its first 40 %).
void BM_RebuildAndPaint96(benchmark::State& state)
{
    const int labels = int(state.range(0));
    Fixture f(labels, logoFile());
    for (auto _ : state) {
        const report::ExecutedPage executed = f.buildAndExecute();
        QImage image = report::renderImage(executed, 96);
        benchmark::DoNotOptimize(image.constBits());
    }
    setLabels(state, labels);
}

// The same page as a 300-dpi PDF in memory.
void BM_RebuildAndPdf300(benchmark::State& state)
{
    const int labels = int(state.range(0));
    Fixture f(labels, logoFile());
    qint64 bytes = 0;
    for (auto _ : state) {
        const report::ExecutedPage executed = f.buildAndExecute();
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        {
            QPdfWriter writer(&buffer);
            writer.setResolution(300);
            writer.setPageSize(QPageSize(executed.paperInches(), QPageSize::Inch, QString(), QPageSize::ExactMatch));
            writer.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter painter(&writer);
            report::paintPage(painter, executed, 300);
        }
        bytes = buffer.size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pdf_bytes"] = double(bytes);
    setLabels(state, labels);
}

// Painting alone, from a page executed once (the preview repainting on a zoom or a scroll).
void BM_Paint96(benchmark::State& state)
{
    const int labels = int(state.range(0));
    Fixture f(labels, logoFile());
    const report::ExecutedPage executed = f.buildAndExecute();
    for (auto _ : state) {
        QImage image = report::renderImage(executed, 96);
        benchmark::DoNotOptimize(image.constBits());
    }
    setLabels(state, labels);
}

// The check of every barcode of the page for a printer's resolution (the main window's mark after
// every rebuild, pelorin check): a 65-label page well under 5 ms, at a resolution where the
// barcodes fit (600) and one where they do not (300).
void BM_CheckPage(benchmark::State& state)
{
    const int labels = int(state.range(0));
    const double dpi = double(state.range(1));
    Fixture f(labels, logoFile());
    const report::ExecutedPage executed = f.buildAndExecute();
    for (auto _ : state) {
        const report::PageReport report = report::checkPage(executed, dpi);
        benchmark::DoNotOptimize(report.barcodes.data());
    }
    setLabels(state, labels);
    state.counters["dpi"] = dpi;
}

void labelCounts(benchmark::internal::Benchmark* b)
{
    b->Arg(8)->Arg(24)->Arg(65)->Complexity(benchmark::oN)->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_ParseDescription)->Apply(labelCounts);
BENCHMARK(BM_Build)->Apply(labelCounts);
BENCHMARK(BM_RebuildAndPaint96)->Apply(labelCounts);
BENCHMARK(BM_RebuildAndPdf300)->Apply(labelCounts);
BENCHMARK(BM_Paint96)->Apply(labelCounts);
BENCHMARK(BM_CheckPage)->ArgsProduct({{8, 24, 65}, {300, 600}})->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // text needs a GUI application; no display is needed
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
