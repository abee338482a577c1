#include "labels/symbologies.h"

#include <QDate>
#include <QRegularExpression>
#include <mutex>

#include "base/error.h"
#include "code/codelayout.h"
#include "code/dayofyear.h"

namespace pelorin {

using report::Symbology;

const std::vector<SymbologyName>& barcodeSymbologies()
{
    static const std::vector<SymbologyName> list = {
        {QStringLiteral("Code 128"), report::kCode128},
        {QStringLiteral("GS1-128"), report::kGs1_128},
        {QStringLiteral("EAN-13"), report::kEan13},
        {QStringLiteral("QR Code"), report::kQrCode},
        {QStringLiteral("Data Matrix"), report::kDataMatrix},
        {QStringLiteral("GS1 Data Matrix"), report::kGs1DataMatrix},
    };
    return list;
}

namespace {

// "QR Code", "qrcode" and "QR-Code" are one name
QString foldedName(QStringView name)
{
    QString folded;
    for (QChar c : name)
        if (c != u' ' && c != u'-' && c != u'_')
            folded += c.toLower();
    return folded;
}

bool isDigits(const QString& s)
{
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return !s.isEmpty();
}

// The GS1 General Specifications' character set 82, the only characters of alphanumeric elements.
bool isGs1Character(QChar c)
{
    static const QString set = QStringLiteral("!\"%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_"
                                              "abcdefghijklmnopqrstuvwxyz");
    return set.contains(c);
}

// The mod-10 check digit of GTINs: weights 3 and 1 from the right, the check digit excluded.
int checkDigit(QStringView digitsWithoutCheck)
{
    int sum = 0;
    int weight = 3;
    for (qsizetype i = digitsWithoutCheck.size() - 1; i >= 0; --i) {
        sum += (digitsWithoutCheck[i].unicode() - u'0') * weight;
        weight = 4 - weight;
    }
    return (10 - sum % 10) % 10;
}

[[noreturn]] void refuse(const QString& ai, const QString& why)
{
    throw Error(QStringLiteral("GS1 (%1) : %2").arg(ai, why));
}

void checkDate(const QString& ai, const QString& value)
{
    // a day of 00 is GS1's "the month only"
    bool valid = value.size() == 6 && isDigits(value);
    if (valid) {
        const int month = value.mid(2, 2).toInt(), day = value.mid(4, 2).toInt();
        valid = month >= 1 && month <= 12 && (day == 0 || QDate::isValid(2000 + value.left(2).toInt(), month, day));
    }
    if (!valid)
        refuse(ai, QStringLiteral("« %1 » n'est pas une date AAMMJJ.").arg(value));
}

void checkAlphanumeric(const QString& ai, const QString& value, int most)
{
    if (value.isEmpty())
        refuse(ai, QStringLiteral("valeur vide."));
    if (value.size() > most)
        refuse(ai, QStringLiteral("« %1 » dépasse %2 caractères.").arg(value).arg(most));
    for (QChar c : value)
        if (!isGs1Character(c))
            refuse(ai, QStringLiteral("le caractère « %1 » n'est pas admis.").arg(c));
}

// The value of one element checked for the identifiers the labels use; other identifiers are left to
// the encoder's own checks.
Gs1Element checkedElement(const QString& ai, const QString& value)
{
    if (ai == u"01")
        return {ai, gtin14(value)};
    if (ai == u"11" || ai == u"13" || ai == u"15" || ai == u"16" || ai == u"17")
        checkDate(ai, value);
    else if (ai.size() == 4 && ai.startsWith(u"310")) {
        if (ai[3] > u'5')
            refuse(ai, QStringLiteral("au plus 5 décimales."));
        if (value.size() != 6 || !isDigits(value))
            refuse(ai, QStringLiteral("« %1 » doit avoir 6 chiffres.").arg(value));
    } else if (ai == u"10" || ai == u"21")
        checkAlphanumeric(ai, value, 20);
    else if (value.isEmpty())
        refuse(ai, QStringLiteral("valeur vide."));
    return {ai, value};
}

QString encoderRefusal(const QString& symbologyLabel, const QString& reason)
{
    // the encoder names the identifier it refuses as "AI (nn)"
    static const QRegularExpression aiPattern(QStringLiteral("AI \\((\\d{2,4})\\)"));
    const QRegularExpressionMatch m = aiPattern.match(reason);
    const QString label = m.hasMatch() ? QStringLiteral("GS1 (%1)").arg(m.captured(1)) : symbologyLabel;
    return QStringLiteral("%1 : données refusées (%2)").arg(label, reason);
}

bool isGs1(Symbology s)
{
    return s.gs1 || s == report::kGs1_128;
}

} // namespace

std::optional<Symbology> symbologyFromName(QStringView name)
{
    const QString folded = foldedName(name);
    if (folded.isEmpty())
        return report::kCode128;
    for (const SymbologyName& s : barcodeSymbologies())
        if (foldedName(s.name) == folded)
            return s.symbology;
    return std::nullopt;
}

Symbology readSymbology(const QString& name)
{
    if (const std::optional<Symbology> s = symbologyFromName(name))
        return *s;
    throw Error(QStringLiteral("Symbologie inconnue : « %1 » (Code 128, GS1-128, EAN-13, QR Code, Data Matrix ou GS1 "
                               "Data Matrix).")
                    .arg(name));
}

QString symbologyName(Symbology symbology)
{
    for (const SymbologyName& s : barcodeSymbologies())
        if (s.symbology == symbology)
            return s.name;
    return barcodeSymbologies().front().name;
}

QString gtin14(const QString& gtin)
{
    const QString ai = QStringLiteral("01");
    if (gtin.isEmpty())
        refuse(ai, QStringLiteral("GTIN absent (élément GTIN de la description)."));
    if (!isDigits(gtin) || !(gtin.size() == 8 || gtin.size() == 12 || gtin.size() == 13 || gtin.size() == 14))
        refuse(ai, QStringLiteral("le GTIN « %1 » doit avoir 8, 12, 13 ou 14 chiffres.").arg(gtin));
    if (checkDigit(QStringView(gtin).left(gtin.size() - 1)) != gtin.back().unicode() - u'0')
        throw Error(QStringLiteral("GS1 (01) : chiffre de contrôle faux"));
    return gtin.rightJustified(14, u'0');
}

std::vector<Gs1Element> parseGs1(const QString& text)
{
    if (text.isEmpty())
        throw Error(QStringLiteral("GS1 : aucune donnée."));
    const QChar open = text[0];
    if (open != u'(' && open != u'[')
        throw Error(QStringLiteral("GS1 : les données commencent par un identifiant entre parenthèses, comme (01)."));
    const QChar close = open == u'(' ? u')' : u']';
    std::vector<Gs1Element> elements;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype end = text.indexOf(close, at + 1);
        const QString ai = end < 0 ? text.mid(at + 1) : text.mid(at + 1, end - at - 1);
        if (end < 0 || ai.size() < 2 || ai.size() > 4 || !isDigits(ai))
            throw Error(QStringLiteral("GS1 : identifiant « %1 » invalide (2 à 4 chiffres entre %2 et %3).")
                            .arg(end < 0 ? text.mid(at) : text.mid(at, end - at + 1), open, close));
        qsizetype next = text.indexOf(open, end + 1);
        if (next < 0)
            next = text.size();
        elements.push_back(checkedElement(ai, text.mid(end + 1, next - end - 1)));
        at = next;
    }
    return elements;
}

QString gs1EncoderText(const std::vector<Gs1Element>& elements)
{
    QString text;
    for (const Gs1Element& e : elements)
        text += u'[' + e.ai + u']' + e.value;
    return text;
}

std::vector<Gs1Element> gs1FromCode(const QString& code, const QString& gtin)
{
    std::vector<Gs1Element> elements;
    elements.push_back({QStringLiteral("01"), gtin14(gtin)});

    const QString date = codeField(code, CodeField::Date);
    const QString dayText = date.left(kDayOfYearWidth), yearText = date.mid(kDayOfYearWidth);
    QDate produced;
    if (date.size() == fieldWidth(CodeField::Date) && isDigits(date)) {
        try {
            // the code's two-digit year is this century's, as GS1's own dates are
            produced = dateFromDayOfYear(2000 + yearText.toInt(), dayText.toInt());
        } catch (const Error&) {
            produced = QDate();
        }
    }
    if (!produced.isValid())
        refuse(QStringLiteral("11"),
               QStringLiteral("le champ date « %1 » du code n'est pas un jour de l'année suivi de l'année.").arg(date));
    elements.push_back({QStringLiteral("11"), produced.toString(QStringLiteral("yyMMdd"))});

    const QString mass = codeField(code, CodeField::Mass);
    if (mass.size() != fieldWidth(CodeField::Mass) || !isDigits(mass))
        refuse(QStringLiteral("3103"),
               QStringLiteral("le champ masse « %1 » du code n'est pas un nombre de grammes.").arg(mass));
    // grams are kilograms with three decimals
    elements.push_back({QStringLiteral("3103"), mass.rightJustified(6, u'0')});

    const QString lot =
        code.mid(fieldFirst(CodeField::Perfume) - 1,
                 fieldWidth(CodeField::Perfume) + fieldWidth(CodeField::Factory) + fieldWidth(CodeField::Date));
    checkAlphanumeric(QStringLiteral("10"), lot, 20);
    elements.push_back({QStringLiteral("10"), lot});
    return elements;
}

QString checkedBarcodeText(Symbology symbology, const QString& text)
{
    if (symbology == report::kCode128)
        return text;
    QString data = text;
    if (isGs1(symbology)) {
        data = gs1EncoderText(parseGs1(text));
    } else if (symbology == report::kEan13) {
        if (!isDigits(text) || (text.size() != 12 && text.size() != 13))
            throw Error(QStringLiteral("EAN-13 : « %1 » n'a pas 12 ou 13 chiffres.").arg(text));
        if (text.size() == 13 && checkDigit(QStringView(text).left(12)) != text.back().unicode() - u'0')
            throw Error(QStringLiteral("EAN-13 : chiffre de contrôle faux"));
    }

    // every label of a sheet carries the same text: the last answer is kept
    struct Tried
    {
        Symbology symbology;
        QString data;
        QString refusal;
    };
    static std::mutex mutex;
    static Tried last{Symbology{-1}, QString(), QString()};
    QString refusal;
    {
        std::lock_guard lock(mutex);
        if (last.symbology == symbology && last.data == data)
            refusal = last.refusal;
        else {
            report::encodeBarcode(symbology, data, &refusal);
            last = Tried{symbology, data, refusal};
        }
    }
    if (!refusal.isEmpty())
        throw Error(encoderRefusal(pelorin::symbologyName(symbology), refusal));
    return data;
}

} // namespace pelorin
