#pragma once
#include "config/xmldocument.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <optional>
#include <utility>

// The configuration file Config\cfg.xml: the three reference lists (systems, production places,
// perfumes) and the main window's settings under Form1.
//
// The main window owns one ConfigFile (its ConfigXML). Every reader works on the document in
// memory, never on the file; the file is written by each list edit and by SaveConfig at close.
// Nodes are named under their parent, the first of two same-named siblings being the one used. A
// list, an entry field or a setting that is missing reads as empty, and looking it up leaves the
// document as it is. The file keeps the rule it has always had: a node a lookup asked for while it
// was missing is held, created empty, by the next file written. So the lookups note what they
// missed, and every write first creates the noted nodes, in the order they were missed, before
// making its own change: files come out byte for byte as they always have.
//
// When the workstation reads its lists from a shared folder (DataFolder::listsPath()), the three lists
// are read from, and written to, that folder's cfg.xml, while the main window's settings stay in the
// user's own: both files keep the layout they have always had. A list edit is refused, before anything
// changes, when the shared folder does not answer or may not be written, and when another workstation
// changed its lists since they were read (they are read again, for the operator to start over).
//
// Errors are pelorin::Error carrying the exact message to show: "No active document" for any access
// while nothing is loaded, the loader's message for an unreadable or malformed file, the conversion
// messages of app/convert.h while reading the settings, "List index out of bounds (%d)" for a system
// position that has no entry, the system's message for a failed save.
namespace pelorin {

// The reference lists under Configuration.
enum class RefList { Systemes, Lieux, Parfums };

// The element name of a list ("Systemes", "Lieux", "Parfums") and of its entries as the program
// writes them ("Systeme", "Ville", "Parfum").
const char* listElementName(RefList list);
const char* entryElementName(RefList list);

// The main window's settings as SaveConfig writes them.
struct Form1Settings
{
    int haut = 0;    // top edge of the main window, pixels
    int gauche = 0;  // left edge
    int largeur = 0; // outer width
    int hauteur = 0; // outer height
    QString eleve;   // text of Text2 (the operator)
    QString memo1;   // text of memotexte, lines separated by "\n"
    QString modele;  // the description loaded in EtiqXML: a path or a bare name; its folder is dropped
    bool codeManu = false;
};

// What reading the settings does with each one: the main window implements it. Every call applies
// one setting at once; a call may throw Error, which stops the reading there.
class SettingsTarget
{
public:
    virtual ~SettingsTarget() = default;
    virtual void setTop(int value) = 0;
    virtual void setLeft(int value) = 0;
    virtual void setWidth(int value) = 0;
    virtual void setHeight(int value) = 0;
    virtual void setOperatorText(const QString& text) = 0; // Text2
    virtual void setMemoText(const QString& text) = 0;     // memotexte
    // Loads the label page description at `path` into EtiqXML and shows its file name in the status
    // bar; throws the loader's Error when the file cannot be read or is malformed.
    virtual void loadModel(const QString& path) = 0;
    virtual void setManualMode(bool on) = 0;
};

// A production place as the place selection takes it.
struct Place
{
    QString code; // postal code of the factory
    QString logo; // file name of its logo in the logos folder
};

class ConfigFile
{
public:
    ConfigFile() = default;
    ConfigFile(const ConfigFile&) = delete;
    ConfigFile& operator=(const ConfigFile&) = delete;

    // DataFolder::path("Config\\cfg.xml"): every load and save uses this path, resolved at each call.
    static QString path();

    // Loads the file into the document, and the shared lists when there are some. On failure the
    // document is not active (every later access throws "No active document" until a reset) and Error
    // carries the loader's message.
    void load();
    // Whether the lists are the shared folder's.
    bool listsShared() const { return !m_listsPath.isEmpty(); }
    bool isLoaded() const { return m_doc.isActive(); }

    XmlDocument& document() { return m_doc; }
    const XmlDocument& document() const { return m_doc; }

    // LireConfig: applies, in this order, Haut, Gauche, Largeur, Hauteur (integers), Eleve, Memo1,
    // then loads the description DataFolder::path("Modeles\\" + Modele), then CodeManu (boolean).
    // Reading stops at the first setting whose text does not convert ("'%s' is not a valid integer
    // value", "'%s' is not a valid boolean value") or whose description does not load: the settings
    // before it stay applied, the later ones are not touched, and the Error propagates.
    void LireConfig(SettingsTarget& target) const;

    // SaveConfig: writes the settings under Form1 (the four measures as decimal integers, CodeManu as
    // "-1" or "0", Modele as the bare file name) and saves the document atomically to path(). When
    // the save fails the document keeps the new settings and Error carries the system's message.
    void SaveConfig(const Form1Settings& settings);
    // A text setting of the main window as saved under Form1 (Eleve, Memo1, Modele); empty when it
    // is missing.
    QString savedText(const char* name) const;

    // The Code of the system at `position` (from 0) in Systemes;
    // Error("List index out of bounds (<position>)") when there is no entry there.
    QString systemCode(int position) const;
    // Code and Logo of the first place whose Nom equals `name` (case-sensitive); none when no entry
    // matches.
    std::optional<Place> placeByName(const QString& name) const;
    // Code of the first perfume whose Nom equals `name`; none when no entry matches.
    std::optional<QString> perfumeCode(const QString& name) const;
    // Decoding: the Nom of the first entry of `list` whose Code equals `code` exactly (same length,
    // same characters), "Erreur" when none does.
    QString nameByCode(RefList list, const QString& code) const;
    // The Nom and Code of every entry of `list`, in document order, for showing: unlike the lookups it
    // notes nothing, so showing the lists adds nothing to the next file written.
    QList<std::pair<QString, QString>> namesAndCodes(RefList list) const;
    // The Nom of every entry of `list`, in document order (the selection lists sort places and
    // perfumes themselves).
    QStringList names(RefList list) const;

    // Adding an entry: appends Systeme (Nom, Code), Ville (Nom, Code, Logo) or Parfum (Nom, Code)
    // after the last entry of its list, texts exactly as typed and nothing validated, then saves.
    // When the save fails the entry stays in the document and Error carries the system's message.
    void addSystem(const QString& nom, const QString& code);
    void addPlace(const QString& nom, const QString& code, const QString& logo);
    void addPerfume(const QString& nom, const QString& code);

    // One entry at a time, by its position in document order (as namesAndCodes lists them): its Nom
    // and Code (and a place's Logo, when given) replaced as typed, or the entry removed with the line
    // it stood on; then saved. The other entries, their order and the file's layout stay as they were.
    // Error("List index out of bounds (<position>)") when there is no entry there; when the save fails
    // the change stays in the document and Error carries the system's message.
    void changeEntry(RefList list, int position, const QString& nom, const QString& code,
                     const std::optional<QString>& logo = std::nullopt);
    void removeEntry(RefList list, int position);
    // The Logo of the place at `position` in document order; empty when it has none or there is no
    // such place. Like namesAndCodes it notes nothing.
    QString placeLogo(int position) const;

    // The reset of "Effacer tout" (the question is the window's): the document becomes the
    // declaration version "1.0" encoding "ISO-8859-1" and Configuration holding an empty Systemes then
    // an empty Lieux, and is saved. Works on a document that failed to load, too. When the save
    // fails the document stays reset and Error carries the system's message.
    void reset();

    // The empty configuration of a start without cfg.xml: Configuration holding empty Systemes, Lieux
    // and Parfums under the declaration version "1.0" encoding "ISO-8859-1", in memory only.
    void startEmpty();

    // The texts of the settings Eleve, Memo1 (lines separated by "\n") and Modele as the document holds
    // them (the measures and the flag are left at their defaults).
    Form1Settings storedTexts() const;

    // While another copy of the program holds the data folder every save is refused with `reason`
    // (an empty reason allows saving again), so that neither copy writes over the other's lists.
    void refuseSaving(const QString& reason) { m_refusal = reason; }
    bool savingRefused() const { return !m_refusal.isEmpty(); }

    // Saves the document to path(), atomically, with the nodes the lookups missed.
    void save();

private:
    // A node a lookup missed: the element names leading to it from `from`, which was there.
    struct Missed
    {
        pugi::xml_node from;
        QList<QByteArray> path;
    };

    // The node at `path` below `from`; a null node, the miss noted, when a step is not there.
    pugi::xml_node lookUp(pugi::xml_node from, std::initializer_list<const char*> path) const;
    pugi::xml_node list(RefList which) const;
    QString field(pugi::xml_node entry, const char* name) const;
    QString setting(const char* name) const;
    // Creates the nodes the lookups missed, in the order they were missed; every write does this
    // first, as the lookups themselves once created them.
    void createMissed();
    void addEntry(RefList which, std::initializer_list<std::pair<const char*, QString>> fields);
    // The document that holds the lists: the shared one, or the user's own.
    XmlDocument& listsDocument() { return listsShared() ? m_lists : m_doc; }
    const XmlDocument& listsDocument() const { return listsShared() ? m_lists : m_doc; }
    void loadLists();
    // Error, before anything changes, when the lists may not be changed now.
    void checkListsMayChange();
    // Saves the document that holds the lists.
    void saveLists();
    // The generation of both documents, which the misses noted belong to.
    quint64 generation() const { return (m_doc.generation() << 32) ^ m_lists.generation(); }
    // The entry at `position` of a list, for changing it; Error when there is none.
    pugi::xml_node entryAt(RefList which, int position);

    XmlDocument m_doc;
    XmlDocument m_lists; // the shared lists, when listsShared()
    QString m_listsPath;
    QDateTime m_listsRead; // the shared file's date when it was read, to see another workstation's change
    qint64 m_listsSize = -1;
    QString m_refusal;
    mutable QList<Missed> m_missed;
    mutable QSet<QByteArray> m_missedKeys;  // each miss once, however often it is looked up
    mutable quint64 m_missedGeneration = 0; // the document the misses were noted in
};

} // namespace pelorin
