#include "app/cli/commandline.h"

#include <QRegularExpression>
#include <QTextStream>

namespace pelorin::cli {

namespace {

constexpr int kHelpColumn = 26; // where the sentences start in the help
constexpr int kHelpWidth = 80;

// Breaks a sentence into lines of at most `width` characters, the next lines indented by `indent`.
QString wrapped(const QString& text, int indent, int width)
{
    QString result, line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
            result += line + u'\n' + QString(indent, u' ');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return result + line;
}

} // namespace

CommandLine::CommandLine(const QString& command, const QString& syntax, const QString& summary)
    : m_command(command), m_syntax(syntax), m_summary(summary)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    m_parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    add({QStringLiteral("h"), QStringLiteral("help")},
        m_command.isEmpty() ? QStringLiteral("Affiche cette aide et s'arrête.")
                            : QStringLiteral("Affiche l'aide de cette commande et s'arrête."));
}

void CommandLine::add(const QStringList& names, const QString& description, const QString& valueName)
{
    m_options.append(Option{names, valueName, description});
    m_parser.addOption(QCommandLineOption(names, description, valueName));
}

void CommandLine::addDataOption()
{
    add({QStringLiteral("data")},
        QStringLiteral("Utilise ce dossier de données (Config/cfg.xml, Modeles, logos) au lieu du dossier habituel."),
        QStringLiteral("DOSSIER"));
}

QString CommandLine::spelled(const QString& name)
{
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

QString CommandLine::commandName() const
{
    return m_command.isEmpty() ? QStringLiteral("pelorin") : QStringLiteral("pelorin ") + m_command;
}

bool CommandLine::parse(const QStringList& args)
{
    m_error.clear();
    if (m_parser.parse(QStringList{QStringLiteral("pelorin")} + args))
        return true;
    m_error = translatedError(args);
    return false;
}

// QCommandLineParser words its errors in English; ours are French and name the option as typed.
QString CommandLine::translatedError(const QStringList& args) const
{
    const QStringList unknown = m_parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        QString typed = spelled(unknown.first());
        for (const QString& a : args) {
            if (a == QLatin1String("--"))
                break;
            const QString name = a.section(u'=', 0, 0);
            if (name == QStringLiteral("--") + unknown.first() || name == u'-' + unknown.first()) {
                typed = name;
                break;
            }
        }
        return QStringLiteral("%1 : option inconnue %2").arg(commandName(), typed);
    }
    static const QRegularExpression quoted(QStringLiteral("'([^']*)'"));
    const QString text = m_parser.errorText();
    const QRegularExpressionMatch m = quoted.match(text);
    const QString option = m.hasMatch() ? m.captured(1) : QString();
    if (text.startsWith(QLatin1String("Missing value")))
        return QStringLiteral("%1 : valeur manquante").arg(option);
    if (text.startsWith(QLatin1String("Unexpected value")))
        return QStringLiteral("%1 : cette option ne prend pas de valeur").arg(option);
    return QStringLiteral("%1 : arguments incorrects").arg(commandName());
}

QString CommandLine::usageLine() const
{
    QString line = QStringLiteral("Utilisation : %1 [options]").arg(commandName());
    if (!m_syntax.isEmpty())
        line += u' ' + m_syntax;
    return line;
}

QString CommandLine::helpText() const
{
    QString help = usageLine() + u'\n' + wrapped(m_summary, 0, kHelpWidth) + QStringLiteral("\n\nOptions :\n");
    for (const Option& o : m_options) {
        QStringList spellings;
        for (const QString& n : o.names)
            spellings << spelled(n);
        QString left = QStringLiteral("  ") + spellings.join(QStringLiteral(", "));
        if (!o.valueName.isEmpty())
            left += u' ' + o.valueName;
        if (left.size() + 2 > kHelpColumn)
            left += u'\n' + QString(kHelpColumn, u' ');
        else
            left = left.leftJustified(kHelpColumn);
        help += left + wrapped(o.description, kHelpColumn, kHelpWidth - kHelpColumn) + u'\n';
    }
    if (!m_epilogue.isEmpty())
        help += u'\n' + m_epilogue;
    return help;
}

int CommandLine::usageError(QTextStream& err, const QString& message) const
{
    err << message << '\n' << usageLine() << QStringLiteral("  (« %1 --help » pour l'aide)").arg(commandName()) << '\n';
    err.flush();
    return 2;
}

int CommandLine::showHelp(QTextStream& out) const
{
    out << helpText();
    out.flush();
    return 0;
}

std::optional<int> CommandLine::answer(const QStringList& args, QTextStream& out, QTextStream& err,
                                      bool positionalAllowed)
{
    if (!parse(args))
        return usageError(err, error());
    if (helpRequested())
        return showHelp(out);
    if (!positionalAllowed && !positional().isEmpty())
        return usageError(err, QStringLiteral("%1 : argument inconnu %2").arg(commandName(), positional().first()));
    return std::nullopt;
}

} // namespace pelorin::cli
