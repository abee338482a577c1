#pragma once
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

// The options of the program and of each command, read by QCommandLineParser, with a help that lists
// every option with its sentence and usage errors in French: one line naming the fault, then the
// usage line.
namespace pelorin::cli {

class CommandLine
{
public:
    // `command` is empty for the program itself; `syntax` is what follows the options in the usage
    // line ("CODE...|-"); `summary` is the help's first sentence.
    CommandLine(const QString& command, const QString& syntax, const QString& summary);

    // An option and the sentence the help shows for it; with a value when `valueName` is given.
    void add(const QStringList& names, const QString& description, const QString& valueName = QString());
    // --data DOSSIER, which every command takes.
    void addDataOption();
    // A paragraph that follows the options in the help (the commands' list).
    void addEpilogue(const QString& text) { m_epilogue = text; }

    // False on a usage error, whose whole French line error() gives. -h/--help is an option of every
    // command line: helpRequested() then.
    bool parse(const QStringList& args);
    QString error() const { return m_error; }
    bool helpRequested() const { return m_parser.isSet(QStringLiteral("help")); }

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    // The option's value when it is given, nothing otherwise.
    std::optional<QString> valueIfSet(const QString& name) const
    {
        return isSet(name) ? std::optional<QString>(value(name)) : std::nullopt;
    }
    QStringList positional() const { return m_parser.positionalArguments(); }
    const QCommandLineParser& parser() const { return m_parser; }

    // "Utilisation : pelorin decode [options] CODE...|-"
    QString usageLine() const;
    QString helpText() const;

    // Writes `message` then the usage line on `err`; returns the usage error's status, 2.
    int usageError(QTextStream& err, const QString& message) const;
    // The help on `out`; returns 0.
    int showHelp(QTextStream& out) const;

    // Parses `args` and answers what needs no more: the help, or a usage error (also for any argument
    // that is no option when the command takes none, `positionalAllowed` false). The exit status when
    // it has answered, nothing when the command is to run.
    std::optional<int> answer(const QStringList& args, QTextStream& out, QTextStream& err,
                              bool positionalAllowed = true);

private:
    struct Option
    {
        QStringList names;
        QString valueName;
        QString description;
    };
    static QString spelled(const QString& name);
    QString commandName() const;
    QString translatedError(const QStringList& args) const;

    QString m_command, m_syntax, m_summary, m_epilogue, m_error;
    QList<Option> m_options;
    QCommandLineParser m_parser;
};

} // namespace pelorin::cli
