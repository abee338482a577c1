#include "config/completion.h"

#include "base/error.h"
#include "base/paths.h"
#include "config/configfile.h"

#include <QDir>
#include <QFileInfo>

namespace pelorin {

namespace {

const QStringList kKinds = {QStringLiteral("systems"), QStringLiteral("places"), QStringLiteral("perfumes"),
                            QStringLiteral("models")};

QStringList listNames(RefList list)
{
    ConfigFile config;
    try {
        config.load();
    } catch (const Error&) {
        // the user's own file may be missing while the shared lists are there
        if (!config.listsShared())
            return {};
    }
    try {
        return config.names(list);
    } catch (const Error&) {
        return {};
    }
}

QStringList modelNames()
{
    QStringList names;
    for (const QString& folder : DataFolder::modelFolders()) {
        const auto files = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
        for (const QFileInfo& file : files)
            if (file.suffix().compare(QLatin1String("etq"), Qt::CaseInsensitive) == 0 &&
                !names.contains(file.fileName()))
                names << file.fileName();
    }
    return names;
}

} // namespace

QStringList completionKinds()
{
    return kKinds;
}

QStringList completionWords(const QString& kind)
{
    if (kind == kKinds[0])
        return listNames(RefList::Systemes);
    if (kind == kKinds[1])
        return listNames(RefList::Lieux);
    if (kind == kKinds[2])
        return listNames(RefList::Parfums);
    if (kind == kKinds[3])
        return modelNames();
    throw Error(QStringLiteral("pelorin --complete : « %1 » n'est pas une liste connue (listes connues : %2)")
                    .arg(kind, kKinds.join(QLatin1String(", "))));
}

QString bashQuoted(const QString& word)
{
    bool control = false;
    for (const QChar c : word)
        control = control || c.unicode() < 0x20 || c.unicode() == 0x7f;
    if (control) {
        QString quoted = QStringLiteral("$'");
        for (const QChar c : word) {
            if (c == u'\\' || c == u'\'')
                quoted += u'\\' + QString(c);
            else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                quoted += c;
        }
        return quoted + u'\'';
    }
    static const QString special = QStringLiteral(" '\"\\$`!&;|<>()*?[]{}#~=:,^");
    QString quoted;
    for (const QChar c : word) {
        if (special.contains(c))
            quoted += u'\\';
        quoted += c;
    }
    return quoted;
}

QString typedText(const QString& typed)
{
    QString text;
    QChar quote;
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                text += c;
        } else if (quote == u'"') {
            if (c == u'"')
                quote = QChar();
            else if (c == u'\\' && i + 1 < typed.size() && QStringLiteral("$`\"\\").contains(typed[i + 1]))
                text += typed[++i];
            else
                text += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'\\' && i + 1 < typed.size()) {
            text += typed[++i];
        } else if (c != u'\\') {
            text += c;
        }
    }
    return text;
}

} // namespace pelorin
