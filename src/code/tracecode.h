#pragma once
#include "code/codelayout.h"
#include "code/dayofyear.h"

#include <QDate>
#include <QString>
#include <QStringList>

// The traceability code: seven fields whose concatenation is the code laid out in code/codelayout.h.
// Each selection of the main window recomputes one field; the window holds one TraceCode and shows
// its fields. Nothing here pads, cuts or checks a list code: one of another width simply gives a code
// of another length.
namespace pelorin {

class ConfigFile;

// The items of `Sel_Nature`, in order; the position of the selected item picks the packaging.
const QStringList& packagingItems();
constexpr int kSoapPackaging = 4; // "Savons": layers followed by rows

// Spin edits for layers and rows: each holds one digit, 1 to 6, so that the packaging field keeps its
// two characters; a text emptied while the operator corrects it counts as 1.
constexpr int kSpinMin = 1;
constexpr int kSpinMax = 6;
int spinValue(const QString& text);
int clampSpin(int value);
// Whether `text` is a number of layers or rows as the code holds it: one digit from 1 to 6.
bool isSpinText(const QString& text);

// Whether `text` is a mass the code's mass field holds as typed: at most three digits, no sign, no
// decimal; empty while the operator corrects it (it then composes "000").
bool isMassText(const QString& text);

// The manual code as the edit `CodeManu` holds it: upper case, four characters fewer than a
// composed code.
constexpr int kManualCodeLength = kCodeLength - 4;
QString manualCodeText(const QString& typed);

// The names the selection lists show, as `ChangeBox` fills them: systems in document order (an
// item's position is the entry's position), places and perfumes in alphabetical order, letter case
// ignored (equal names keep their document order).
//
// Two places or perfumes may share a name ("Anzin" twice): the main window then shows each of them
// with its code beside the name ("Anzin (59410)", "Anzin (59411)"), and only those, so that the lists
// read as they always have wherever a name is enough. What is stored and composed is unchanged.
struct SelectionLists
{
    QStringList systems;
    QStringList places;
    QStringList perfumes;
    // The texts the main window shows, in the same order: the name, or for a repeated name (letter
    // case ignored) the name followed by its code in brackets.
    QStringList placeItems;
    QStringList perfumeItems;
    // The code of each shown item, in the same order.
    QStringList placeCodes;
    QStringList perfumeCodes;
};
SelectionLists selectionLists(const ConfigFile& config);
// Alphabetical order of the sorted lists (French collation, letter case ignored, stable).
QStringList sortedNames(QStringList names);

// The state of the selection controls from which every field is computed.
struct CodeSelection
{
    int systemIndex = 0; // -1: no item selected
    QString massText = QStringLiteral("000");
    int packagingIndex = 0;
    QString layersText = QStringLiteral("1");
    QString rowsText = QStringLiteral("1");
    int ralIndex = 0;
    QString perfumeName;
    QString placeName;
};
// The controls as start-up leaves them: the first item of every list, "000", "Boites de 6", the first
// RAL entry, both spin edits at 1.
CodeSelection startupSelection(const SelectionLists& lists);

struct CodeFields
{
    QString system;
    QString mass;
    QString packaging;
    QString colour;
    QString perfume;
    QString factory;
    QString date;

    const QString& operator[](CodeField field) const;
    // The seven fields in code order.
    QString composed() const;
};

class TraceCode
{
public:
    // The configuration document is read at the moment of every lookup, and only read: a list or
    // field it lacks reads as empty. It must outlive the model.
    explicit TraceCode(const ConfigFile& config);

    const CodeFields& fields() const { return m_fields; }
    // LabJour and LabAnnee.
    const DateField& dateDisplay() const { return m_date; }
    // Full path of the production place's logo (may name a missing file); empty when no place matched.
    const QString& logoPath() const { return m_logoPath; }

    // Empties system, mass, packaging, colour, factory and date, as the main window does before
    // computing them.
    void clear();

    // `ChangeBox` after the lists are filled: computes mass, factory (with logo), system, colour,
    // packaging and perfume, in this order. Every field is computed even when one lookup fails; the
    // first failure is then thrown, so that a configuration without systems still gives the other fields.
    void computeAll(const CodeSelection& selection);

    // `Sel_SystemeChange`: the `Code` of the system at `position` (from 0);
    // Error("List index out of bounds (<position>)") keeps the field.
    void setSystem(int position);
    // `LabeledEditMasseChange`: the text as an integer written with "%.3d"; the conversion's Error keeps
    // the field.
    void setMass(const QString& text);
    // `Sel_NatureChange`: the packaging of the item at `index`; for "Savons" the spin texts; -1 (or any
    // position outside the list) leaves the field unchanged.
    void setPackaging(int index, const QString& layersText, const QString& rowsText);
    // `Changeboitagesavon`: layers followed by rows, whatever the packaging list shows.
    void setSoapPackaging(const QString& layersText, const QString& rowsText);
    // `ComboBox1Change`: the colour field of RAL entry `index`.
    void setColour(int ralIndex);
    // `Sel_ParfumChange`: the `Code` of the first perfume named exactly `name`, else of the perfume the
    // text shows with its code ("Lavande (LAV)"); no match keeps the field.
    void setPerfume(const QString& name);
    // `Sel_OrigineChange`: the `Code` of the first place named exactly `name` (else of the place the
    // text shows with its code), and the path of its logo under the Logos folder. No match keeps the
    // field and empties the logo path.
    void setFactory(const QString& name);
    // `FixeDate` on the production date.
    void setDate(const QDate& date);

    // Manual mode: `currentCode` then returns the manual code unchanged.
    bool manualMode() const { return m_manualMode; }
    void setManualMode(bool on) { m_manualMode = on; }
    const QString& manualCode() const { return m_manualCode; }
    // Stores the typed text as the edit holds it (upper case, at most kManualCodeLength characters).
    void setManualCode(const QString& typed) { m_manualCode = manualCodeText(typed); }

    // The code the labels carry: the manual code in manual mode, otherwise the seven fields.
    QString currentCode() const { return m_manualMode ? m_manualCode : m_fields.composed(); }
    // The seven fields, whatever the mode (the clipboard copy).
    QString composedCode() const { return m_fields.composed(); }

private:
    const ConfigFile& m_config;
    CodeFields m_fields;
    DateField m_date;
    QString m_logoPath;
    bool m_manualMode = false;
    QString m_manualCode;
};

} // namespace pelorin
