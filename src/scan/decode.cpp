#include "scan/decode.h"

#include "base/error.h"
#include "code/dayofyear.h"
#include "config/xmldocument.h"

#include <QLocale>
#include <QHash>
#include <optional>

namespace pelorin {

namespace {

// The field that starts at `first` (counted from 1), cut short where the code ends.
QString field(const QString& code, int first, int width)
{
    return code.mid(first - 1, width);
}

const QString kErreur = QStringLiteral("Erreur");
const char* const kLists[] = {"Systemes", "Lieux", "Parfums"};

} // namespace

bool EstNumerique(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

struct CodeDecoder::Cache
{
    struct Entry
    {
        pugi::xml_node node;
        QString name;
        bool named = false;
    };
    // by list: the first entry of each code, in document order
    std::array<std::optional<QHash<QString, Entry>>, 3> lists;
    QHash<int, QString> dates;
};

CodeDecoder::CodeDecoder(XmlDocument* config) : m_config(config) {}

CodeDecoder::~CodeDecoder() = default;

void CodeDecoder::beginBatch() const
{
    m_cache = std::make_unique<Cache>();
}

void CodeDecoder::endBatch() const
{
    m_cache.reset();
}

QString CodeDecoder::lookup(int list, const QString& field) const
{
    auto entriesOf = [this, list] {
        m_config->documentElement(); // "No active document" when the configuration did not load
        return entries(child(child(m_config->raw(), "Configuration"), kLists[list]));
    };
    // Codes are compared as stored, case and blanks included, and the first entry in document
    // order gives the name.
    if (!m_cache) {
        for (pugi::xml_node e : entriesOf())
            if (text(child(e, "Code")) == field)
                return text(child(e, "Nom"));
        return kErreur;
    }
    std::optional<QHash<QString, Cache::Entry>>& index = m_cache->lists[size_t(list)];
    if (!index) {
        QHash<QString, Cache::Entry> built;
        for (pugi::xml_node e : entriesOf()) {
            const QString code = text(child(e, "Code"));
            if (!built.contains(code))
                built.insert(code, Cache::Entry{e, QString(), false});
        }
        index = std::move(built);
    }
    const auto it = index->find(field);
    if (it == index->end())
        return kErreur;
    if (!it->named) {
        it->name = text(child(it->node, "Nom"));
        it->named = true;
    }
    return it->name;
}

QString CodeDecoder::Decode_Systeme(const QString& code) const
{
    return lookup(0, field(code, 1, 1));
}

QString CodeDecoder::Decode_Masse(const QString& code) const
{
    const QString f = field(code, 2, 3);
    if (f.size() < 3)
        return QString();
    return EstNumerique(f) ? f + QStringLiteral(" gr") : kErreur;
}

QString CodeDecoder::Decode_Boite(const QString& code) const
{
    const QString f = field(code, 5, 2);
    // the system letter, not the packaging field, tells a soap case: layers first, rows second
    if (code.startsWith(u'S')) {
        const QString layers = f.left(1);
        const QString rows = f.mid(1, 1);
        return rows + QStringLiteral(" rang(s)\r\n") + layers + QStringLiteral(" couche(s)");
    }
    if (f == QLatin1String("06"))
        return QStringLiteral("Boite de 6");
    if (f == QLatin1String("12"))
        return QStringLiteral("Boite de 12");
    if (f == QLatin1String("01"))
        return QStringLiteral("Briquette simple");
    if (f == QLatin1String("02"))
        return QStringLiteral("Briquette double");
    return kErreur;
}

QString CodeDecoder::Decode_Couleur(const QString& code) const
{
    // the RAL number's second digit is not coded and is not put back
    const QString f = field(code, 7, 3);
    return f.size() == 3 ? QStringLiteral("Ral ") + f : kErreur;
}

QString CodeDecoder::Decode_Parfum(const QString& code) const
{
    return lookup(2, field(code, 10, 3));
}

QString CodeDecoder::Decode_Usine(const QString& code) const
{
    return lookup(1, field(code, 13, 5));
}

QString CodeDecoder::Decode_Date(const QString& code) const
{
    // the last five characters are the day of the year and the year's last two digits
    const QString f = field(code, 18, 5);
    if (f.size() < 5)
        return QString();
    if (!EstNumerique(f))
        return kErreur;
    const int twoDigits = f.mid(3, 2).toInt();
    const int year = twoDigits < 50 ? 2000 + twoDigits : 1900 + twoDigits;
    const int day = f.left(3).toInt();
    if (!m_cache)
        return QLocale::system().toString(dateFromDayOfYear(year, day), QLocale::ShortFormat);
    QString& date = m_cache->dates[year * 1000 + day];
    if (date.isEmpty())
        date = QLocale::system().toString(dateFromDayOfYear(year, day), QLocale::ShortFormat);
    return date;
}

DecodedTexts CodeDecoder::decodeAll(const QString& code, QString* dateError) const
{
    DecodedTexts t;
    t[0] = Decode_Systeme(code);
    t[1] = Decode_Masse(code);
    t[2] = Decode_Boite(code);
    t[3] = Decode_Couleur(code);
    t[4] = Decode_Parfum(code);
    t[5] = Decode_Usine(code);
    try {
        t[6] = Decode_Date(code);
    } catch (const Error& e) {
        if (dateError)
            *dateError = e.message();
    }
    return t;
}

} // namespace pelorin
