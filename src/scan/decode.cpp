#include "scan/decode.h"

#include "base/error.h"
#include "code/dayofyear.h"
#include "config/configfile.h"

#include <QHash>
#include <QLocale>
#include <QStringList>
#include <optional>

namespace pelorin {

namespace {

const QString kErreur = QStringLiteral("Erreur");
constexpr RefList kLists[] = {RefList::Systemes, RefList::Lieux, RefList::Parfums};
constexpr int kSystemes = 0, kLieux = 1, kParfums = 2;

} // namespace

bool isAllDigits(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

struct CodeDecoder::Cache
{
    // by list: the name each code looked up gave
    std::array<QHash<QString, QString>, 3> names;
    QHash<int, QString> dates;
};

CodeDecoder::CodeDecoder(const ConfigFile& config) : m_config(config) {}

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
    // Codes are compared as stored, case and blanks included, and the first entry in document
    // order gives the name; a batch asks the configuration once for each code.
    if (!m_cache)
        return m_config.nameByCode(kLists[list], field);
    QHash<QString, QString>& names = m_cache->names[size_t(list)];
    auto it = names.find(field);
    if (it == names.end())
        it = names.insert(field, m_config.nameByCode(kLists[list], field));
    return *it;
}

QString CodeDecoder::decodeSystem(const QString& code) const
{
    return lookup(kSystemes, codeField(code, CodeField::System));
}

QString CodeDecoder::decodeMass(const QString& code) const
{
    const QString f = codeField(code, CodeField::Mass);
    if (f.size() < fieldWidth(CodeField::Mass))
        return QString();
    return isAllDigits(f) ? f + QStringLiteral(" gr") : kErreur;
}

QString CodeDecoder::decodePackaging(const QString& code) const
{
    const QString f = codeField(code, CodeField::Packaging);
    // The system letter, not the packaging field, tells a soap case. Layers come first, as in the
    // code and on the main window ("Couches / Rangs"), and on one line, so that a CSV record or a
    // journal entry stays one line.
    if (codeField(code, CodeField::System) == u'S') {
        const QString layers = f.left(kLayersWidth);
        const QString rows = f.mid(kLayersWidth, kRowsWidth);
        return layers + QStringLiteral(" couche(s) / ") + rows + QStringLiteral(" rang(s)");
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

QString CodeDecoder::decodeColour(const QString& code) const
{
    // The field is the RAL number without its second digit, which is always 0: 515 is RAL 5015, shown
    // as the main window's colour list shows it.
    const QString f = codeField(code, CodeField::Colour);
    if (f.size() != fieldWidth(CodeField::Colour) || !isAllDigits(f))
        return kErreur;
    return QStringLiteral("RAL ") + f.left(1) + u'0' + f.mid(1);
}

QString CodeDecoder::decodePerfume(const QString& code) const
{
    return lookup(kParfums, codeField(code, CodeField::Perfume));
}

QString CodeDecoder::decodeFactory(const QString& code) const
{
    return lookup(kLieux, codeField(code, CodeField::Factory));
}

QString CodeDecoder::decodeDate(const QString& code) const
{
    // the day of the year, then the year's last two digits
    const QString f = codeField(code, CodeField::Date);
    if (f.size() < fieldWidth(CodeField::Date))
        return QString();
    if (!isAllDigits(f))
        return kErreur;
    const int twoDigits = f.mid(kDayOfYearWidth, kYearWidth).toInt();
    const int year = twoDigits < 50 ? 2000 + twoDigits : 1900 + twoDigits;
    const int day = f.left(kDayOfYearWidth).toInt();
    if (!m_cache)
        return QLocale().toString(dateFromDayOfYear(year, day), QLocale::ShortFormat);
    QString& date = m_cache->dates[year * 1000 + day];
    if (date.isEmpty())
        date = QLocale().toString(dateFromDayOfYear(year, day), QLocale::ShortFormat);
    return date;
}

DecodedTexts CodeDecoder::decodeAll(const QString& code, QString* dateError) const
{
    DecodedTexts t;
    t[0] = decodeSystem(code);
    t[1] = decodeMass(code);
    t[2] = decodePackaging(code);
    t[3] = decodeColour(code);
    t[4] = decodePerfume(code);
    t[5] = decodeFactory(code);
    try {
        t[6] = decodeDate(code);
    } catch (const Error& e) {
        if (dateError)
            *dateError = e.message();
    }
    return t;
}

QString readProblem(const QString& code, const DecodedTexts& texts, const QString& dateError)
{
    if (code.size() != kCodeLength)
        return QStringLiteral("Lecture de %1 caractère(s) au lieu de %2").arg(code.size()).arg(kCodeLength);
    if (!dateError.isEmpty())
        return dateError;
    static const char* const names[kDecodedFieldCount] = {"Système", "Masse", "Boite", "Couleur",
                                                          "Parfum",  "Usine", "Date"};
    QStringList wrong;
    for (int i = 0; i < kDecodedFieldCount; ++i)
        if (texts[size_t(i)] == kErreur)
            wrong << QString::fromUtf8(names[i]);
    if (wrong.isEmpty())
        return QString();
    return (wrong.size() == 1 ? QStringLiteral("Champ non reconnu : ") : QStringLiteral("Champs non reconnus : ")) +
           wrong.join(QStringLiteral(", "));
}

} // namespace pelorin
