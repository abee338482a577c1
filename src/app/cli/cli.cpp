#include "app/cli/cli.h"

#include <QTextStream>

#include "base/error.h"

namespace pelorin::cli {

namespace {

struct Command
{
    const char* name;
    int (*run)(const QStringList&, QTextStream&, QTextStream&);
};

constexpr Command kCommands[] = {
    {"code", codeCommand},
    {"render", renderCommand},
    {"decode", decodeCommand},
    {"scan", scanCommand},
    {"journal", journalCommand},
};

} // namespace

bool isCommand(const QStringList& args)
{
    if (args.isEmpty())
        return false;
    for (const Command& c : kCommands)
        if (args.first() == QLatin1String(c.name))
            return true;
    return false;
}

int run(const QStringList& args, QTextStream& out, QTextStream& err)
{
    for (const Command& c : kCommands)
        if (!args.isEmpty() && args.first() == QLatin1String(c.name)) {
            // the boundary of every command: whatever escapes it is reported, never an abort
            int status = 1;
            try {
                status = c.run(args.mid(1), out, err);
            } catch (...) {
                out.flush();
                err << currentErrorMessage() << '\n';
            }
            out.flush();
            err.flush();
            return status;
        }
    err << usage();
    return 2;
}

QString usage()
{
    return QStringLiteral(
        "Usage: pelorin [--data DIR] [--no-splash]   start the program\n"
        "       pelorin code [--data DIR] [--system NAME] [--mass TEXT] [--packaging ITEM] [--layers N]\n"
        "                    [--rows N] [--ral NNNN] [--perfume NAME] [--place NAME] [--date YYYY-MM-DD]\n"
        "                    [--manual CODE]\n"
        "                                            print the traceability code\n"
        "       pelorin render [--data DIR] [selection options of code] [--model FILE.ETQ] [--code CODE]\n"
        "                    [--operator TEXT] [--memo TEXT] [--increment FILE] [--unmark N,N,...]\n"
        "                    [--no-margins] [--no-outlines] [--dpi N] -o OUT.pdf|OUT.png\n"
        "                                            write the page of labels as it would print\n"
        "       pelorin decode [--data DIR] CODE...  decode scanned codes\n"
        "       pelorin decode [--data DIR] --scb FILE\n"
        "       pelorin scan [--data DIR] --port PORT [--baud N] [--data-bits 5-8]\n"
        "                    [--parity none|odd|even|mark|space] [--stop-bits 1|2] [--end N] [--append FILE.SCB]\n"
        "                                            read codes from an RS-232 scanner\n"
        "       pelorin journal [--data DIR] [--from DATE] [--to DATE] [--code TEXT] [--kind print|scan]\n"
        "                    [--workstation NAME] [--system TEXT] [--perfume TEXT] [--place TEXT]\n"
        "                    [--production-date DATE] [--unscanned | --unprinted] [--format tsv|csv|json]\n"
        "                                            list the journal's entries (DATE: YYYY-MM-DD[THH:MM])\n"
        "       pelorin journal [--data DIR] --import FILE.SCB...\n"
        "                                            record the codes of scan sheets\n"
        "       pelorin journal [--data DIR] --check  check the journal and its outbox\n"
        "       pelorin --help | --version\n");
}

QString decodedLine(const QString& code, const QStringList& texts)
{
    QString line = code;
    for (QString t : texts) {
        t.replace(QLatin1String("\r\n"), QLatin1String(" / "));
        t.replace(u'\r', QLatin1String(" / "));
        t.replace(u'\n', QLatin1String(" / "));
        line += u'\t' + t;
    }
    return line;
}

bool takeOption(QStringList& args, const QString& name, QString& value, QString* error)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == name) {
            if (i + 1 >= args.size()) {
                if (error)
                    *error = QStringLiteral("%1 : valeur manquante").arg(name);
                args.removeAt(i);
                return false;
            }
            value = args[i + 1];
            args.remove(i, 2);
            return true;
        }
        if (args[i].startsWith(name + u'=')) {
            value = args[i].mid(name.size() + 1);
            args.removeAt(i);
            return true;
        }
    }
    return false;
}

bool takeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

} // namespace pelorin::cli
