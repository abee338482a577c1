// Decoding speed, and reading an SCB file of 100 000 codes into the scan window until its view has
// painted. Goal for the second: under one second and 200 MB (peak memory with /usr/bin/time -v,
// running only that benchmark: --benchmark_filter=LoadScb).
#include "base/ui/dialogs.h"
#include "config/configfile.h"
#include "scan/decode.h"
#include "scan/scangrid.h"
#include "scan/scbfile.h"
#include "scan/ui/scanwindow.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace pelorin;

namespace {

// Ten entries per list, the codes spread over all of them, as a factory's configuration holds.
QString configText()
{
    QString xml = QStringLiteral("<Configuration><Systemes>");
    for (int i = 0; i < 10; ++i)
        xml += QStringLiteral("<Systeme><Nom>Système %1</Nom><Code>%2</Code></Systeme>").arg(i).arg(QChar(u'A' + i));
    xml += QStringLiteral("</Systemes><Lieux>");
    for (int i = 0; i < 10; ++i)
        xml +=
            QStringLiteral("<Ville><Nom>Usine %1</Nom><Code>%2</Code><Logo>u.bmp</Logo></Ville>").arg(i).arg(59300 + i);
    xml += QStringLiteral("</Lieux><Parfums>");
    for (int i = 0; i < 10; ++i)
        xml +=
            QStringLiteral("<Parfum><Nom>Parfum %1</Nom><Code>P%2</Code></Parfum>").arg(i).arg(i, 2, 10, QChar(u'0'));
    xml += QStringLiteral("</Parfums></Configuration>");
    return xml;
}

QStringList makeCodes(int count)
{
    static const char* const packagings[] = {"06", "12", "01", "02", "23"};
    QStringList codes;
    codes.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QChar system(u'A' + i % 11); // one in eleven matches no system
        codes << QStringLiteral("%1%2%3%4P%5%6%7%8")
                     .arg(system)
                     .arg(i % 1000, 3, 10, QChar(u'0'))
                     .arg(QLatin1String(packagings[i % 5]))
                     .arg(100 + i % 900, 3, 10, QChar(u'0'))
                     .arg(i % 12, 2, 10, QChar(u'0'))
                     .arg(59300 + i % 11)
                     .arg(1 + i % 365, 3, 10, QChar(u'0'))
                     .arg(i % 100, 2, 10, QChar(u'0'));
    }
    return codes;
}

void BM_Decode(benchmark::State& state)
{
    ConfigFile config;
    config.document().parseText(configText());
    const CodeDecoder decoder(config);
    const QStringList codes = makeCodes(10000);
    const DecodeBatch batch(decoder);
    qsizetype i = 0;
    for (auto _ : state) {
        QString dateError;
        benchmark::DoNotOptimize(decoder.decodeAll(codes.at(i), &dateError));
        i = (i + 1) % codes.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Decode);

void BM_LoadScb100k(benchmark::State& state)
{
    ConfigFile config;
    config.document().parseText(configText());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("codes.SCB"));
    writeScbFile(path, makeCodes(100000));
    Dialogs::setTestMode(true);

    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<ScanWindow>(config);
        form->show();
        QApplication::processEvents();
        auto* view = form->findChild<QTableView*>(QStringLiteral("scanGrid"));
        state.ResumeTiming();

        Dialogs::setNextFileName(path);
        form->openSheetFile();
        view->scrollToBottom();
        benchmark::DoNotOptimize(view->viewport()->grab());

        state.PauseTiming();
        if (form->grid()->codeCount() != 100000 || !Dialogs::shownMessages().isEmpty())
            state.SkipWithError("the file did not load whole");
        form.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_LoadScb100k)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("LC_ALL", "fr_FR.UTF-8");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
