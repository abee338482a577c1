#include "config/configfile.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"

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
    m_doc.loadFile(path(), QStringLiteral("le fichier de configuration"));
}

pugi::xml_node ConfigFile::list(RefList which)
{
    return child(m_doc.documentElement(), listElementName(which));
}

pugi::xml_node ConfigFile::form1()
{
    return child(m_doc.documentElement(), "Form1");
}

void ConfigFile::LireConfig(SettingsTarget& target)
{
    const pugi::xml_node settings = form1();
    // each setting is applied as soon as it is read, so a failure leaves the earlier ones in force
    target.setTop(strToInt(text(child(settings, "Haut"))));
    target.setLeft(strToInt(text(child(settings, "Gauche"))));
    target.setWidth(strToInt(text(child(settings, "Largeur"))));
    target.setHeight(strToInt(text(child(settings, "Hauteur"))));
    target.setOperatorText(text(child(settings, "Eleve")));
    target.setMemoText(text(child(settings, "Memo1")));
    // the folder's path followed directly by the stored name: an empty name names the folder itself
    target.loadModel(DataFolder::path(QStringLiteral("Modeles\\") + text(child(settings, "Modele"))));
    target.setManualMode(strToBool(text(child(settings, "CodeManu"))));
}

QString ConfigFile::savedText(const char* name)
{
    return text(child(form1(), name));
}

void ConfigFile::SaveConfig(const Form1Settings& s)
{
    const pugi::xml_node settings = form1();
    setText(child(settings, "Haut"), QString::number(s.haut));
    setText(child(settings, "Gauche"), QString::number(s.gauche));
    setText(child(settings, "Largeur"), QString::number(s.largeur));
    setText(child(settings, "Hauteur"), QString::number(s.hauteur));
    setText(child(settings, "Eleve"), s.eleve);
    setText(child(settings, "Memo1"), s.memo1);
    // only the bare name is kept: the next start-up looks for it in Modeles
    QString modele = s.modele;
    modele.replace(u'\\', u'/');
    setText(child(settings, "Modele"), modele.mid(modele.lastIndexOf(u'/') + 1));
    setText(child(settings, "CodeManu"), s.codeManu ? QStringLiteral("-1") : QStringLiteral("0"));
    save();
}

QString ConfigFile::systemCode(int position)
{
    const QList<pugi::xml_node> items = entries(list(RefList::Systemes));
    if (position < 0 || position >= items.size())
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(position));
    return text(child(items[position], "Code"));
}

std::optional<Place> ConfigFile::placeByName(const QString& name)
{
    for (const pugi::xml_node& entry : entries(list(RefList::Lieux)))
        if (text(child(entry, "Nom")) == name)
            return Place{text(child(entry, "Code")), text(child(entry, "Logo"))};
    return std::nullopt;
}

std::optional<QString> ConfigFile::perfumeCode(const QString& name)
{
    for (const pugi::xml_node& entry : entries(list(RefList::Parfums)))
        if (text(child(entry, "Nom")) == name)
            return text(child(entry, "Code"));
    return std::nullopt;
}

QString ConfigFile::nameByCode(RefList which, const QString& code)
{
    for (const pugi::xml_node& entry : entries(list(which)))
        if (text(child(entry, "Code")) == code)
            return text(child(entry, "Nom"));
    return QStringLiteral("Erreur");
}

QList<std::pair<QString, QString>> ConfigFile::namesAndCodes(RefList which) const
{
    QList<std::pair<QString, QString>> out;
    const pugi::xml_node listNode = m_doc.documentElement().child(listElementName(which));
    for (const pugi::xml_node& entry : entries(listNode))
        out.append({text(entry.child("Nom")), text(entry.child("Code"))});
    return out;
}

QStringList ConfigFile::names(RefList which)
{
    QStringList out;
    for (const pugi::xml_node& entry : entries(list(which)))
        out.append(text(child(entry, "Nom")));
    return out;
}

void ConfigFile::addEntry(RefList which, std::initializer_list<std::pair<const char*, QString>> fields)
{
    const pugi::xml_node entry = appendElement(list(which), entryElementName(which));
    for (const auto& [name, value] : fields)
        appendElement(entry, name, value);
    save();
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

void ConfigFile::reset()
{
    const pugi::xml_node root = m_doc.reset(QStringLiteral("1.0"), QStringLiteral("ISO-8859-1"), "Configuration");
    appendElement(root, "Systemes");
    appendElement(root, "Lieux");
    save();
}

void ConfigFile::startEmpty()
{
    const pugi::xml_node root = m_doc.reset(QStringLiteral("1.0"), QStringLiteral("ISO-8859-1"), "Configuration");
    appendElement(root, "Systemes");
    appendElement(root, "Lieux");
    appendElement(root, "Parfums");
}

Form1Settings ConfigFile::storedTexts()
{
    const pugi::xml_node settings = form1();
    Form1Settings s;
    s.eleve = text(child(settings, "Eleve"));
    s.memo1 = text(child(settings, "Memo1"));
    s.modele = text(child(settings, "Modele"));
    return s;
}

void ConfigFile::save() const
{
    if (!m_refusal.isEmpty())
        throw Error(m_refusal);
    m_doc.saveFile(path());
}

} // namespace pelorin
