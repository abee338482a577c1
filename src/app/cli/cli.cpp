#include "app/cli/cli.h"

#include <QTextStream>
#include <cstdio>

#include "base/error.h"
#include "base/paths.h"
#include "config/completion.h"

namespace pelorin::cli {

namespace {

// The commands' names and texts; what runs each is chosen by the part of the program that runs it.
struct Command
{
    const char* name;
    const char* usage;   // what follows "pelorin <name>" in the usage lines
    const char* summary; // its sentence in the program's help
};

constexpr Command kCommands[] = {
    {"code", "[options de sélection]", "Affiche le code de traçabilité composé avec les choix donnés."},
    {"render", "[options de sélection et de page] -o FICHIER.pdf|FICHIER.png|-",
     "Écrit la page d'étiquettes en PDF ou en PNG, telle qu'elle s'imprimerait."},
    {"print", "[options de sélection et de page] [--printer NOM] [--copies N]",
     "Imprime la page d'étiquettes comme la fenêtre principale."},
    {"check", "[options de sélection et de page] [--printer NOM | --dpi N] [--format tsv|csv|json]",
     "Vérifie que les codes-barres de la page seront lisibles une fois imprimés."},
    {"decode", "[--format tsv|csv|json] CODE...|- | --scb FICHIER.SCB|-", "Décode des codes scannés."},
    {"scan", "--port PORT [options du port] [--append FICHIER.SCB]",
     "Lit et décode les codes d'une douchette sur un port série."},
    {"journal",
     "[filtres] [--reconcile | --recall TEXTE [-o FICHIER.pdf]] [--format tsv|csv|json] | --import FICHIER.SCB... "
     "| --check",
     "Liste, complète ou vérifie le journal de traçabilité."},
    {"calibrate", "--printer NOM [--page [-o FICHIER.pdf] | --dx MM --dy MM [--sx % --sy %]]",
     "Imprime la page de calibration d'une imprimante, enregistre ou affiche son décalage et son échelle."},
};

// The program's own options that a command takes too, and whether each has a value.
const struct
{
    const char* name;
    bool hasValue;
} kGlobalOptions[] = {{"--data", true}};

// `pelorin --data D code ...` is `pelorin code --data D ...`: the program's options given before the
// command are passed to it, so that a script may name the data folder once, first.
QStringList commandFirst(const QStringList& args)
{
    QStringList global;
    qsizetype i = 0;
    while (i < args.size()) {
        const QString& a = args[i];
        bool known = false;
        for (const auto& o : kGlobalOptions) {
            const QString name = QLatin1String(o.name);
            if (a == name && o.hasValue && i + 1 < args.size()) {
                global << a << args[i + 1];
                i += 2;
                known = true;
            } else if (o.hasValue && a.startsWith(name + u'=')) {
                global << a;
                ++i;
                known = true;
            }
            if (known)
                break;
        }
        if (!known)
            break;
    }
    if (global.isEmpty() || i >= args.size())
        return args;
    for (const Command& c : kCommands)
        if (args[i] == QLatin1String(c.name))
            return QStringList{args[i]} + global + args.mid(i + 1);
    return args;
}

} // namespace

bool isCommand(const QStringList& given)
{
    return !commandName(given).isEmpty();
}

QString commandName(const QStringList& given)
{
    const QStringList args = commandFirst(given);
    if (args.isEmpty())
        return QString();
    for (const Command& c : kCommands)
        if (args.first() == QLatin1String(c.name))
            return args.first();
    return QString();
}

int runCommand(CommandFunction command, const QStringList& given, QTextStream& out, QTextStream& err)
{
    const QStringList args = commandFirst(given);
    // the boundary of every command: whatever escapes it is reported, never an abort
    int status = 1;
    try {
        status = command(args.mid(1), out, err);
    } catch (...) {
        out.flush();
        err << currentErrorMessage() << '\n';
    }
    if (status == kNeedsWholeProgram)
        return status;
    // a workstation on the copy of its shared folder is never left unaware of it
    if (const QString notice = DataFolder::sharedNotice(); !notice.isEmpty())
        err << QStringLiteral("pelorin : attention : ") << notice << '\n';
    // every command's results pass here: one that could not be written fails the command
    if (!flushOutput(out) && status != 1 && status != 2) {
        err << outputLostMessage() << '\n';
        status = 1;
    }
    err.flush();
    return status;
}

namespace {
const JournalPrinting* g_journalPrinting = nullptr;
}

const JournalPrinting* journalPrinting()
{
    return g_journalPrinting;
}

void setJournalPrinting(const JournalPrinting* printing)
{
    g_journalPrinting = printing;
}

int completeCommand(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QString data, typed;
    bool typedGiven = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--data") && i + 1 < args.size()) {
            data = args[++i];
        } else if (args[i].startsWith(QLatin1String("--data="))) {
            data = args[i].mid(7);
        } else if (!typedGiven) {
            // the word typed so far, after "--" when it could be taken for an option
            if (args[i] == QLatin1String("--"))
                typed = i + 1 < args.size() ? args[++i] : QString();
            else
                typed = args[i];
            typedGiven = true;
        }
    }
    if (args.isEmpty()) {
        err << QStringLiteral("pelorin --complete : quelle liste ? (%1)\n").arg(completionKinds().join(u'|'));
        return 2;
    }
    try {
        DataFolder::locate(data, DataFolder::Access::Look);
        const QString prefix = typedText(typed);
        for (const QString& word : completionWords(args.first()))
            if (word.startsWith(prefix))
                out << bashQuoted(word) << '\n';
    } catch (const Error& e) {
        err << e.message() << '\n';
        return 2;
    }
    return flushOutput(out) ? 0 : 1;
}

bool flushOutput(QTextStream& out)
{
    out.flush();
    const bool streamed = out.status() == QTextStream::Ok;
    // what went to stdout without the stream (the PDF of render -o -) is flushed and checked too
    const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    return streamed && flushed;
}

QString outputLostMessage()
{
    return QStringLiteral("La sortie standard ne peut pas être écrite.");
}

QString usage()
{
    QString text = QStringLiteral("Utilisation : pelorin [--data DOSSIER] [--no-splash] [FICHIER.ETQ|FICHIER.SCB]\n");
    for (const Command& c : kCommands)
        text += QStringLiteral("              pelorin %1 %2\n").arg(QLatin1String(c.name), QString::fromUtf8(c.usage));
    text += QStringLiteral("              pelorin [COMMANDE] --help | pelorin -V\n");
    return text;
}

QString commandList()
{
    QString text = QStringLiteral("Commandes (« pelorin COMMANDE --help » pour leurs options) :\n");
    for (const Command& c : kCommands)
        text +=
            QStringLiteral("  %1%2\n").arg(QString::fromLatin1(c.name).leftJustified(26), QString::fromUtf8(c.summary));
    return text;
}

QString decodedLine(const QString& code, const QStringList& texts)
{
    // one line, one cell a field: a tab or a line break inside a read (the code included) is written
    // as the journal's lines write it
    const auto cell = [](QString t) {
        t.replace(QLatin1String("\r\n"), QLatin1String(" / "));
        t.replace(u'\r', QLatin1String(" / "));
        t.replace(u'\n', QLatin1String(" / "));
        t.replace(u'\t', u' ');
        return t;
    };
    QString line = cell(code);
    for (const QString& t : texts)
        line += u'\t' + cell(t);
    return line;
}

} // namespace pelorin::cli
