#include "scan/decode.h"

#include "app/error.h"
#include "code/dayofyear.h"
#include "config/xmldocument.h"

#include <QLocale>
#include <string_view>

namespace pelorin {

namespace {

// The field that starts at `first` (counted from 1), cut short where the code ends.
QString field(const QString& code, int first, int width)
{
    return code.mid(first - 1, width);
}

const QString kErreur = QStringLiteral("Erreur");

} // namespace

bool EstNumerique(const QString& text)
{
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return true;
}

QString CodeDecoder::lookup(const char* list, const QString& field) const
{
    // Codes are compared as stored, case and blanks included; the document holds UTF-8, so the
    // field is compared byte for byte and only the matching entry's name is converted.
    const QByteArray wanted = field.toUtf8();
    const std::string_view key(wanted.constData(), size_t(wanted.size()));
    m_config->documentElement(); // "No active document" when the configuration did not load
    const pugi::xml_node lists = child(child(m_config->raw(), "Configuration"), list);
    for (pugi::xml_node e : entries(lists))
        if (std::string_view(child(e, "Code").child_value()) == key)
            return text(child(e, "Nom"));
    return kErreur;
}

QString CodeDecoder::Decode_Systeme(const QString& code) const
{
    return lookup("Systemes", field(code, 1, 1));
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
    return lookup("Parfums", field(code, 10, 3));
}

QString CodeDecoder::Decode_Usine(const QString& code) const
{
    return lookup("Lieux", field(code, 13, 5));
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
    return QLocale::system().toString(dateFromDayOfYear(year, day), QLocale::ShortFormat);
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
