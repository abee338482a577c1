#include "app/cli/startoptions.h"

#include "app/cli/cli.h"
#include "app/cli/commandline.h"

#include <QTextStream>
#include <memory>

namespace pelorin {

namespace {

// The options QGuiApplication and QApplication take for themselves, with or without a value.
const QStringList kQtValueOptions = {"platform",        "platformpluginpath",
                                     "platformtheme",   "plugin",
                                     "qwindowgeometry", "geometry",
                                     "qwindowtitle",    "title",
                                     "qwindowicon",     "icon",
                                     "display",         "name",
                                     "session",         "style",
                                     "stylesheet"};
const QStringList kQtFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};

QStringList withoutQtOptions(const QStringList& args)
{
    QStringList ours;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--")) {
            ours += args.mid(i);
            break;
        }
        QString name = a;
        while (name.startsWith(u'-'))
            name.remove(0, 1);
        if (!a.startsWith(u'-') || name.isEmpty()) {
            ours << a;
            continue;
        }
        const QString bare = name.section(u'=', 0, 0);
        if (kQtFlags.contains(bare) || bare == QLatin1String("qmljsdebugger"))
            continue;
        if (kQtValueOptions.contains(bare)) {
            if (!name.contains(u'='))
                ++i; // its value
            continue;
        }
        ours << a;
    }
    return ours;
}

std::unique_ptr<cli::CommandLine> startCommandLine()
{
    auto line = std::make_unique<cli::CommandLine>(
        QString(), QStringLiteral("[FICHIER.ETQ|FICHIER.SCB]"),
        QStringLiteral("Étiquettes de traçabilité en code-barres Code 128, et relecture des codes "
                       "scannés. Sans commande, ouvre la fenêtre principale : sur la page "
                       "d'étiquettes FICHIER.ETQ quand elle est donnée, ou avec la fenêtre de scan "
                       "sur la feuille de codes FICHIER.SCB."));
    line->add({QStringLiteral("V"), QStringLiteral("version")}, QStringLiteral("Affiche la version et s'arrête."));
    line->addDataOption();
    line->add({QStringLiteral("no-splash")},
              QStringLiteral("Démarre sans la fenêtre de présentation ni sa pause (comme PELORIN_NO_SPLASH=1)."));
    line->addEpilogue(cli::commandList());
    return line;
}

} // namespace

StartOptions parseStartOptions(QStringList args, bool noSplashFromEnvironment)
{
    StartOptions o;
    o.splash = !noSplashFromEnvironment;
    const std::unique_ptr<cli::CommandLine> parsed = startCommandLine();
    cli::CommandLine& line = *parsed;
    const QStringList ours = withoutQtOptions(args);
    if (!line.parse(ours)) {
        o.error = line.error();
        if (line.error().contains(QLatin1String("option inconnue")))
            o.unknown << line.error().section(u' ', -1);
        return o;
    }
    o.help = line.helpRequested();
    o.version = line.isSet(QStringLiteral("version"));
    o.dataDir = line.value(QStringLiteral("data"));
    if (line.isSet(QStringLiteral("no-splash")))
        o.splash = false;
    const QStringList files = line.positional();
    if (files.size() > 1)
        o.error = QStringLiteral("pelorin : un seul fichier à ouvrir, pas %1 (%2)")
                      .arg(files.size())
                      .arg(files.join(QStringLiteral(", ")));
    else if (!files.isEmpty())
        o.file = files.first();
    return o;
}

QString programHelp()
{
    return startCommandLine()->helpText();
}

int startUsageError(QTextStream& err, const QString& message)
{
    return startCommandLine()->usageError(err, message);
}

} // namespace pelorin
