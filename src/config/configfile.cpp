#include "config/configfile.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"

#include <QDir>
#include <QFileInfo>
#include <exception>

namespace pelorin {

const char* listElementName(RefList list)
{
    switch (list) {
    case RefList::Systemes:
        return "Systemes";
    case RefList::Lieux:
        return "Lieux";
    case RefList::Parfums:
        return "Parfums";
    }
    return "";
}

const char* entryElementName(RefList list)
{
    switch (list) {
    case RefList::Systemes:
        return "Systeme";
    case RefList::Lieux:
        return "Ville";
    case RefList::Parfums:
        return "Parfum";
    }
    return "";
}

QString ConfigFile::path()
{
    return DataFolder::path(QStringLiteral("Config\\cfg.xml"));
}

void ConfigFile::load()
{
    // the user's own file fails on its own: its settings are not the shared lists' business
    std::exception_ptr own;
    try {
        m_doc.loadFile(path(), QStringLiteral("le fichier de configuration"));
    } catch (...) {
        own = std::current_exception();
    }
    loadLists();
    if (own)
        std::rethrow_exception(own);
}

void ConfigFile::loadLists()
{
    m_listsPath = DataFolder::listsPath();
    if (m_listsPath.isEmpty()) {
        m_lists.release();
        return;
    }
    const QFileInfo file(m_listsPath);
    m_listsRead = file.lastModified();
    m_listsSize = file.size();
    m_lists.loadFile(m_listsPath, QStringLiteral("le fichier des listes partagées"));
}

void ConfigFile::checkListsMayChange()
{
    if (DataFolder::sharedConfigured().isEmpty())
        return;
    if (const QString refusal = DataFolder::listsRefusal(); !refusal.isEmpty())
        throw Error(refusal);
    if (!listsShared())
        return;
    // positions and codes were chosen on the lists as shown: another workstation's edit since would
    // be written over, or an entry changed in its place
    const QFileInfo file(m_listsPath);
    if (file.lastModified() != m_listsRead || file.size() != m_listsSize) {
        loadLists();
        throw Error(QStringLiteral("Les listes du dossier partagé « %1 » ont été modifiées sur un autre poste "
                                   "depuis qu'elles ont été lues : elles viennent d'être relues, rien n'a été "
                                   "changé. Recommencez la modification sur les listes à jour.")
                        .arg(QDir::toNativeSeparators(DataFolder::sharedConfigured())));
    }
}

void ConfigFile::saveLists()
{
    if (!listsShared()) {
        save();
        return;
    }
    createMissed();
    if (!m_refusal.isEmpty())
        throw Error(m_refusal);
    m_lists.saveFile(m_listsPath);
    const QFileInfo file(m_listsPath);
    m_listsRead = file.lastModified();
    m_listsSize = file.size();
}

pugi::xml_node ConfigFile::lookUp(pugi::xml_node from, std::initializer_list<const char*> path) const
{
    if (m_missedGeneration != generation()) {
        // the misses noted were in a document since replaced
        m_missed.clear();
        m_missedKeys.clear();
        m_missedGeneration = generation();
    }
    pugi::xml_node node = from;
    for (auto step = path.begin(); step != path.end(); ++step) {
        const pugi::xml_node next = find(node, *step);
        if (!next) {
            if (node) {
                Missed missed{node, {}};
                QByteArray key = QByteArray::number(quintptr(node.internal_object()));
                for (auto rest = step; rest != path.end(); ++rest) {
                    missed.path.append(QByteArray(*rest));
                    key += '/' + missed.path.last();
                }
                if (!m_missedKeys.contains(key)) {
                    m_missedKeys.insert(key);
                    m_missed.append(missed);
                }
            }
            return pugi::xml_node();
        }
        node = next;
    }
    return node;
}

void ConfigFile::createMissed()
{
    if (m_missedGeneration == generation())
        for (const Missed& missed : std::as_const(m_missed)) {
            pugi::xml_node node = missed.from;
            for (const QByteArray& name : missed.path)
                node = ensure(node, name.constData());
        }
    m_missed.clear();
    m_missedKeys.clear();
}

pugi::xml_node ConfigFile::list(RefList which) const
{
    return lookUp(listsDocument().documentElement(), {listElementName(which)});
}

QString ConfigFile::field(pugi::xml_node entry, const char* name) const
{
    return text(lookUp(entry, {name}));
}

QString ConfigFile::setting(const char* name) const
{
    return text(lookUp(m_doc.documentElement(), {"Form1", name}));
}

void ConfigFile::LireConfig(SettingsTarget& target) const
{
    // each setting is applied as soon as it is read, so a failure leaves the earlier ones in force
    target.setTop(strToInt(setting("Haut")));
    target.setLeft(strToInt(setting("Gauche")));
    target.setWidth(strToInt(setting("Largeur")));
    target.setHeight(strToInt(setting("Hauteur")));
    target.setOperatorText(setting("Eleve"));
    target.setMemoText(setting("Memo1"));
    // the folder's path followed directly by the stored name: an empty name names the folder itself
    target.loadModel(DataFolder::path(QStringLiteral("Modeles\\") + setting("Modele")));
    target.setManualMode(strToBool(setting("CodeManu")));
}

QString ConfigFile::savedText(const char* name) const
{
    return setting(name);
}

void ConfigFile::SaveConfig(const Form1Settings& s)
{
    createMissed();
    const pugi::xml_node settings = ensure(m_doc.documentElement(), "Form1");
    setText(ensure(settings, "Haut"), QString::number(s.haut));
    setText(ensure(settings, "Gauche"), QString::number(s.gauche));
    setText(ensure(settings, "Largeur"), QString::number(s.largeur));
    setText(ensure(settings, "Hauteur"), QString::number(s.hauteur));
    setText(ensure(settings, "Eleve"), s.eleve);
    setText(ensure(settings, "Memo1"), s.memo1);
    // only the bare name is kept: the next start-up looks for it in Modeles
    QString modele = s.modele;
    modele.replace(u'\\', u'/');
    setText(ensure(settings, "Modele"), modele.mid(modele.lastIndexOf(u'/') + 1));
    setText(ensure(settings, "CodeManu"), s.codeManu ? QStringLiteral("-1") : QStringLiteral("0"));
    save();
}

QString ConfigFile::systemCode(int position) const
{
    const QList<pugi::xml_node> items = entries(list(RefList::Systemes));
    if (position < 0 || position >= items.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(position));
    return field(items[position], "Code");
}

std::optional<Place> ConfigFile::placeByName(const QString& name) const
{
    for (const pugi::xml_node& entry : entries(list(RefList::Lieux)))
        if (field(entry, "Nom") == name)
            return Place{field(entry, "Code"), field(entry, "Logo")};
    return std::nullopt;
}

std::optional<QString> ConfigFile::perfumeCode(const QString& name) const
{
    for (const pugi::xml_node& entry : entries(list(RefList::Parfums)))
        if (field(entry, "Nom") == name)
            return field(entry, "Code");
    return std::nullopt;
}

QString ConfigFile::nameByCode(RefList which, const QString& code) const
{
    for (const pugi::xml_node& entry : entries(list(which)))
        if (field(entry, "Code") == code)
            return field(entry, "Nom");
    return QStringLiteral("Erreur");
}

QList<std::pair<QString, QString>> ConfigFile::namesAndCodes(RefList which) const
{
    QList<std::pair<QString, QString>> out;
    const pugi::xml_node listNode = find(listsDocument().documentElement(), listElementName(which));
    for (const pugi::xml_node& entry : entries(listNode))
        out.append({text(find(entry, "Nom")), text(find(entry, "Code"))});
    return out;
}

QStringList ConfigFile::names(RefList which) const
{
    QStringList out;
    for (const pugi::xml_node& entry : entries(list(which)))
        out.append(field(entry, "Nom"));
    return out;
}

void ConfigFile::addEntry(RefList which, std::initializer_list<std::pair<const char*, QString>> fields)
{
    checkListsMayChange();
    createMissed();
    const pugi::xml_node entry =
        appendElement(ensure(listsDocument().documentElement(), listElementName(which)), entryElementName(which));
    for (const auto& [name, value] : fields)
        appendElement(entry, name, value);
    saveLists();
}

void ConfigFile::addSystem(const QString& nom, const QString& code)
{
    addEntry(RefList::Systemes, {{"Nom", nom}, {"Code", code}});
}

void ConfigFile::addPlace(const QString& nom, const QString& code, const QString& logo)
{
    addEntry(RefList::Lieux, {{"Nom", nom}, {"Code", code}, {"Logo", logo}});
}

void ConfigFile::addPerfume(const QString& nom, const QString& code)
{
    addEntry(RefList::Parfums, {{"Nom", nom}, {"Code", code}});
}

pugi::xml_node ConfigFile::entryAt(RefList which, int position)
{
    const QList<pugi::xml_node> items = entries(find(listsDocument().documentElement(), listElementName(which)));
    if (position < 0 || position >= items.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(position));
    return items[position];
}

void ConfigFile::changeEntry(RefList which, int position, const QString& nom, const QString& code,
                             const std::optional<QString>& logo)
{
    checkListsMayChange();
    const pugi::xml_node entry = entryAt(which, position);
    createMissed();
    setText(ensure(entry, "Nom"), nom);
    setText(ensure(entry, "Code"), code);
    if (logo && which == RefList::Lieux)
        setText(ensure(entry, "Logo"), *logo);
    saveLists();
}

void ConfigFile::removeEntry(RefList which, int position)
{
    checkListsMayChange();
    const pugi::xml_node entry = entryAt(which, position);
    createMissed();
    pugi::xml_node parent = entry.parent();
    // the blanks that put the entry on its own line go with it, so the list keeps its layout
    const pugi::xml_node before = entry.previous_sibling();
    if (before.type() == pugi::node_pcdata && QString::fromUtf8(before.value()).trimmed().isEmpty())
        parent.remove_child(before);
    parent.remove_child(entry);
    saveLists();
}

QString ConfigFile::placeLogo(int position) const
{
    const QList<pugi::xml_node> items =
        entries(find(listsDocument().documentElement(), listElementName(RefList::Lieux)));
    if (position < 0 || position >= items.size())
        return QString();
    return text(find(items[position], "Logo"));
}

void ConfigFile::reset()
{
    checkListsMayChange();
    const pugi::xml_node root =
        listsDocument().reset(QStringLiteral("1.0"), QStringLiteral("ISO-8859-1"), "Configuration");
    appendElement(root, "Systemes");
    appendElement(root, "Lieux");
    saveLists();
}

void ConfigFile::startEmpty()
{
    const pugi::xml_node root = m_doc.reset(QStringLiteral("1.0"), QStringLiteral("ISO-8859-1"), "Configuration");
    appendElement(root, "Systemes");
    appendElement(root, "Lieux");
    appendElement(root, "Parfums");
}

Form1Settings ConfigFile::storedTexts() const
{
    Form1Settings s;
    s.eleve = setting("Eleve");
    s.memo1 = setting("Memo1");
    s.modele = setting("Modele");
    return s;
}

void ConfigFile::save()
{
    createMissed();
    if (!m_refusal.isEmpty())
        throw Error(m_refusal);
    m_doc.saveFile(path());
}

} // namespace pelorin
