#include "code/tracecode.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "code/rallist.h"
#include "config/configfile.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <optional>
#include <tuple>

namespace pelorin {

namespace {

constexpr const char* kPackagingCodes[] = {"06", "12", "01", "02"};

} // namespace

const QStringList& packagingItems()
{
    static const QStringList items = {QStringLiteral("Boites de 6"), QStringLiteral("Boites de 12"),
                                      QStringLiteral("Briquette simple"), QStringLiteral("Briquette double"),
                                      QStringLiteral("Savons")};
    return items;
}

int spinValue(const QString& text)
{
    try {
        return strToInt(text);
    } catch (const Error&) {
        return kSpinMin;
    }
}

int clampSpin(int value)
{
    return std::clamp(value, kSpinMin, kSpinMax);
}

bool isSpinText(const QString& text)
{
    return text.size() == 1 && text.at(0) >= QChar(u'0' + kSpinMin) && text.at(0) <= QChar(u'0' + kSpinMax);
}

bool isMassText(const QString& text)
{
    if (text.size() > fieldWidth(CodeField::Mass))
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString manualCodeText(const QString& typed)
{
    return typed.toUpper().left(kManualCodeLength);
}

QStringList sortedNames(QStringList names)
{
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(names.begin(), names.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return names;
}

namespace {

using NamedCodes = QList<std::pair<QString, QString>>;

QString withCode(const QString& name, const QString& code)
{
    return QStringLiteral("%1 (%2)").arg(name, code);
}

// The shown texts of a list's entries and their codes, in the order of their names (as sortedNames
// orders them).
std::pair<QStringList, QStringList> shownItems(NamedCodes entries)
{
    QCollator collator{QLocale(QLocale::French, QLocale::France)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(entries.begin(), entries.end(),
                     [&collator](const auto& a, const auto& b) { return collator.compare(a.first, b.first) < 0; });
    QStringList shown, codes;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& name = entries.at(i).first;
        const auto sameName = [&name, &entries](qsizetype j) {
            return j >= 0 && j < entries.size() && entries.at(j).first.compare(name, Qt::CaseInsensitive) == 0;
        };
        // sorted, so that a repeated name lies beside its twin
        const bool repeated = sameName(i - 1) || sameName(i + 1);
        shown << (repeated ? withCode(name, entries.at(i).second) : name);
        codes << entries.at(i).second;
    }
    return {shown, codes};
}

// The position of the entry that `text` shows as its name with its code, -1 when none does.
int entryShownAs(const NamedCodes& entries, const QString& text)
{
    for (qsizetype i = 0; i < entries.size(); ++i)
        if (withCode(entries.at(i).first, entries.at(i).second) == text)
            return int(i);
    return -1;
}

} // namespace

SelectionLists selectionLists(const ConfigFile& config)
{
    SelectionLists lists;
    lists.places = sortedNames(config.names(RefList::Lieux));
    lists.systems = config.names(RefList::Systemes);
    lists.perfumes = sortedNames(config.names(RefList::Parfums));
    std::tie(lists.placeItems, lists.placeCodes) = shownItems(config.namesAndCodes(RefList::Lieux));
    std::tie(lists.perfumeItems, lists.perfumeCodes) = shownItems(config.namesAndCodes(RefList::Parfums));
    return lists;
}

CodeSelection startupSelection(const SelectionLists& lists)
{
    CodeSelection s;
    s.systemIndex = lists.systems.isEmpty() ? -1 : 0;
    s.perfumeName = lists.perfumes.value(0);
    s.placeName = lists.places.value(0);
    return s;
}

const QString& CodeFields::operator[](CodeField field) const
{
    switch (field) {
    case CodeField::System:
        return system;
    case CodeField::Mass:
        return mass;
    case CodeField::Packaging:
        return packaging;
    case CodeField::Colour:
        return colour;
    case CodeField::Perfume:
        return perfume;
    case CodeField::Factory:
        return factory;
    case CodeField::Date:
        break;
    }
    return date;
}

QString CodeFields::composed() const
{
    QString code;
    code.reserve(kCodeLength);
    for (const CodeFieldLayout& f : kCodeLayout)
        code += (*this)[f.field];
    return code;
}

TraceCode::TraceCode(const ConfigFile& config) : m_config(config) {}

void TraceCode::clear()
{
    const QString perfume = m_fields.perfume;
    m_fields = CodeFields();
    m_fields.perfume = perfume;
    m_date = DateField();
}

void TraceCode::computeAll(const CodeSelection& s)
{
    std::optional<Error> first;
    auto attempt = [&first](auto&& step) {
        try {
            step();
        } catch (const Error& e) {
            if (!first)
                first = e;
        }
    };
    attempt([&] { setMass(s.massText); });
    attempt([&] { setFactory(s.placeName); });
    attempt([&] { setSystem(s.systemIndex); });
    attempt([&] { setColour(s.ralIndex); });
    attempt([&] { setPackaging(s.packagingIndex, s.layersText, s.rowsText); });
    attempt([&] { setPerfume(s.perfumeName); });
    if (first)
        throw *first;
}

void TraceCode::setSystem(int position)
{
    m_fields.system = m_config.systemCode(position);
}

void TraceCode::setMass(const QString& massText)
{
    m_fields.mass = zeroPadded(strToInt(massText), fieldWidth(CodeField::Mass));
}

void TraceCode::setPackaging(int index, const QString& layersText, const QString& rowsText)
{
    if (index == kSoapPackaging)
        setSoapPackaging(layersText, rowsText);
    else if (index >= 0 && index < kSoapPackaging)
        m_fields.packaging = QString::fromLatin1(kPackagingCodes[index]);
}

void TraceCode::setSoapPackaging(const QString& layersText, const QString& rowsText)
{
    // one digit each, so two characters; a spin edit emptied while typing counts as 1
    m_fields.packaging = QString::number(spinValue(layersText)) + QString::number(spinValue(rowsText));
}

void TraceCode::setColour(int ralIndex)
{
    m_fields.colour = ral::colourField(ral::entry(ralIndex));
}

void TraceCode::setPerfume(const QString& name)
{
    if (const auto code = m_config.perfumeCode(name)) {
        m_fields.perfume = *code;
        return;
    }
    const NamedCodes entries = m_config.namesAndCodes(RefList::Parfums);
    if (const int shown = entryShownAs(entries, name); shown >= 0)
        m_fields.perfume = entries.at(shown).second;
}

void TraceCode::setFactory(const QString& name)
{
    m_logoPath.clear();
    std::optional<Place> place = m_config.placeByName(name);
    if (!place) {
        const NamedCodes entries = m_config.namesAndCodes(RefList::Lieux);
        if (const int shown = entryShownAs(entries, name); shown >= 0)
            place = Place{entries.at(shown).second, m_config.placeLogo(shown)};
    }
    if (place) {
        m_logoPath = DataFolder::path(QStringLiteral("Logos\\") + place->logo);
        m_fields.factory = place->code;
    }
}

void TraceCode::setDate(const QDate& date)
{
    m_date = FixeDate(date);
    m_fields.date = m_date.field();
}

} // namespace pelorin
