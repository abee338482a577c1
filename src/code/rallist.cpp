#include "code/rallist.h"

#include "base/error.h"

#include <QSet>

namespace pelorin::ral {

namespace {

// In ascending RAL number. 7001 is listed twice and 7032, 9003, 9010, 9016 and 9018 have no trailing
// blank, as the list always had them; those entries draw and code like any other.
constexpr const char* kEntries[] = {
    "CCC188*1000 ", "D0B084*1001 ", "D2AA6D*1002 ", "F2AD00*1003 ", "E49E00*1004 ", "CB8E00*1005 ", "E29000*1006 ",
    "E88C00*1007 ", "AF804F*1011 ", "DDAF27*1012 ", "E3D9C6*1013 ", "DDC49A*1014 ", "E6D2B5*1015 ", "F1DD38*1016 ",
    "F6A950*1017 ", "FACA30*1018 ", "A48F7A*1019 ", "A08F65*1020 ", "F6B600*1021 ", "F7B500*1023 ", "BA8F4C*1024 ",
    "A77F0E*1027 ", "FF9B00*1028 ", "E2A300*1032 ", "F99A1C*1033 ", "EB9C52*1034 ", "DA6E00*2000 ", "BA481B*2001 ",
    "BF3922*2002 ", "F67828*2003 ", "E25303*2004 ", "ED6B21*2008 ", "DE5307*2009 ", "D05D28*2010 ", "E26E0E*2011 ",
    "D5654D*2012 ", "A72920*3000 ", "9B2423*3001 ", "9B2321*3002 ", "861A22*3003 ", "6B1C23*3004 ", "59191F*3005 ",
    "3E2022*3007 ", "6D342D*3009 ", "792423*3011 ", "C6846D*3012 ", "972E25*3013 ", "CB7375*3014 ", "D8A0A6*3015 ",
    "A63D2F*3016 ", "CB555D*3017 ", "C73F4A*3018 ", "BB1E10*3020 ", "CF6955*3022 ", "AB273C*3027 ", "A63437*3031 ",
    "816183*4001 ", "8D3C4B*4002 ", "C4618C*4003 ", "651E38*4004 ", "76689A*4005 ", "903373*4006 ", "47243C*4007 ",
    "844C82*4008 ", "9D8692*4009 ", "314F6F*5000 ", "0F4C64*5001 ", "00387B*5002 ", "1F3855*5003 ", "191E28*5004 ",
    "005387*5005 ", "376B8C*5007 ", "2B3A44*5008 ", "225F78*5009 ", "004F7C*5010 ", "1A2B3C*5011 ", "0089B6*5012 ",
    "193153*5013 ", "637D96*5014 ", "0071B5*5015 ", "005B8C*5017 ", "058B8C*5018 ", "005E83*5019 ", "00747D*5020 ",
    "00747D*5021 ", "222D5A*5022 ", "42698C*5023 ", "6093AC*5024 ", "3C7460*6000 ", "366735*6001 ", "325928*6002 ",
    "50533C*6003 ", "024442*6004 ", "114232*6005 ", "3C392E*6006 ", "2C3222*6007 ", "37342A*6008 ", "27352A*6009 ",
    "4D6F39*6010 ", "6C7C59*6011 ", "303D3A*6012 ", "7D765A*6013 ", "474135*6014 ", "3D3D36*6015 ", "00694C*6016 ",
    "587F40*6017 ", "61993B*6018 ", "B9CEAC*6019 ", "37422F*6020 ", "8A9977*6021 ", "3A3327*6022 ", "008351*6024 ",
    "5E6E3B*6025 ", "005F4E*6026 ", "7EBAB5*6027 ", "315442*6028 ", "006F3D*6029 ", "237F52*6032 ", "46877F*6033 ",
    "7AACAC*6034 ", "7A888E*7000 ", "8C969F*7001 ", "8C969F*7001 ", "817863*7002 ", "7A7669*7003 ", "9B9B9B*7004 ",
    "6C6E6B*7005 ", "766A5E*7006 ", "745E3D*7008 ", "5D6058*7009 ", "585C56*7010 ", "52595D*7011 ", "575D5E*7012 ",
    "575044*7013 ", "4F5358*7015 ", "383E42*7016 ", "2F3234*7021 ", "4C4A44*7022 ", "808076*7023 ", "45494E*7024 ",
    "374345*7026 ", "928E85*7030 ", "5B686D*7031 ", "B5B5A7*7032",  "7F8274*7033 ", "92886F*7034 ", "C5C7C4*7035 ",
    "979392*7036 ", "7A7B7A*7037 ", "B0B0A9*7038 ", "6B665E*7039 ", "989EA1*7040 ", "8E9291*7042 ", "4F5250*7043 ",
    "B7B3A8*7044 ", "89693E*8000 ", "9D622B*8001 ", "794D3E*8002 ", "7E4B26*8003 ", "8D4931*8004 ", "70452A*8007 ",
    "724A25*8008 ", "5A3826*8011 ", "66332B*8012 ", "4A3526*8014 ", "5E2F26*8015 ", "4C2B20*8016 ", "442F29*8017 ",
    "3D3635*8019 ", "1A1718*8022 ", "A45729*8023 ", "795038*8024 ", "755847*8025 ", "513A2A*8028 ", "E9E0D2*9001 ",
    "D7D5CB*9002 ", "F8F9FB*9003",  "2B2B2C*9004 ", "0E0E10*9005 ", "F4F4ED*9010",  "27292B*9011 ", "F3F6F6*9016",
    "2A292A*9017 ", "CBD2D0*9018",
};

constexpr int kCount = int(sizeof(kEntries) / sizeof(kEntries[0]));

int hexByte(const QString& entry, int from)
{
    bool ok = false;
    const int v = entry.mid(from, 2).toInt(&ok, 16);
    return ok ? v : 0;
}

struct ChartGroup
{
    char first;
    const char* title;
};

constexpr ChartGroup kGroups[] = {
    {'1', "Jaunes et beiges"},
    {'2', "Oranges"},
    {'3', "Rouges"},
    {'4', "Violets"},
    {'5', "Bleus"},
    {'6', "Verts"},
    {'7', "Gris"},
    {'8', "Bruns"},
    {'9', "Blancs et noirs"},
};

} // namespace

int count()
{
    return kCount;
}

QString entry(int index)
{
    if (index < 0 || index >= kCount)
        throw Error(QStringLiteral("List index out of bounds (%1)").arg(index));
    return QString::fromLatin1(kEntries[index]);
}

QString number(const QString& entry)
{
    return entry.mid(7, 4);
}

QColor displayColour(const QString& entry)
{
    return QColor(hexByte(entry, 0), hexByte(entry, 2), hexByte(entry, 4));
}

QString colourField(const QString& entry)
{
    return entry.mid(7, 1) + entry.mid(9, 2);
}

int indexOfNumber(const QString& wanted)
{
    for (int i = 0; i < kCount; ++i)
        if (number(QString::fromLatin1(kEntries[i])) == wanted)
            return i;
    return -1;
}

int indexOfTypedNumber(const QString& typed)
{
    if (typed.isEmpty())
        return -1;
    for (int i = 0; i < kCount; ++i)
        if (number(QString::fromLatin1(kEntries[i])).startsWith(typed))
            return i;
    return -1;
}

QByteArray chartHtml()
{
    QString html;
    html += QStringLiteral(
        "<!DOCTYPE html>\n"
        "<html lang=\"fr\">\n"
        "<head>\n"
        "<meta charset=\"utf-8\">\n"
        "<title>Nuancier RAL classic - Pelorin</title>\n"
        "<style>\n"
        "body { font-family: Arial, \"Liberation Sans\", sans-serif; margin: 2em; color: #222; }\n"
        "h1 { font-size: 1.6em; }\n"
        "h2 { font-size: 1.2em; margin-top: 1.6em; border-bottom: 1px solid #999; }\n"
        "p.note { max-width: 50em; }\n"
        "ul.nuancier { list-style: none; padding: 0; display: flex; flex-wrap: wrap; gap: 10px; }\n"
        "ul.nuancier li { width: 110px; border: 1px solid #bbb; padding: 4px; }\n"
        "span.teinte { display: block; height: 48px; border: 1px solid #777;\n"
        "  -webkit-print-color-adjust: exact; print-color-adjust: exact; }\n"
        "span.ral { display: block; font-weight: bold; margin-top: 4px; }\n"
        "span.hex { display: block; font-family: \"Liberation Mono\", monospace; font-size: 0.9em; }\n"
        "</style>\n"
        "</head>\n"
        "<body>\n"
        "<h1>Nuancier RAL classic</h1>\n"
        "<p class=\"note\">Les couleurs de la liste &laquo;&nbsp;Couleur RAL classic&nbsp;&raquo; de Pelorin, "
        "dans le m\u00eame ordre. Pour chaque teinte : son num\u00e9ro RAL, la valeur hexad\u00e9cimale "
        "de la couleur affich\u00e9e \u00e0 l'\u00e9cran, et le champ couleur qu'elle donne au code "
        "(le num\u00e9ro sans son deuxi\u00e8me chiffre). Les couleurs d'un \u00e9cran ou d'une "
        "imprimante ne remplacent pas un nuancier physique.</p>\n");

    QSet<QString> shown;
    for (const ChartGroup& g : kGroups) {
        const QString thousand = QChar::fromLatin1(g.first) + QStringLiteral("000");
        html += QStringLiteral("<h2>RAL %1 &ndash; %2</h2>\n<ul class=\"nuancier\">\n")
                    .arg(thousand, QString::fromUtf8(g.title));
        for (int i = 0; i < kCount; ++i) {
            const QString e = QString::fromLatin1(kEntries[i]);
            const QString ral = number(e);
            // the list holds 7001 twice, identical: the chart shows it once
            if (!ral.startsWith(QChar::fromLatin1(g.first)) || shown.contains(ral))
                continue;
            shown.insert(ral);
            const QString hex = e.left(6);
            html += QStringLiteral("<li><span class=\"teinte\" style=\"background-color: #%1\"></span>"
                                   "<span class=\"ral\">RAL %2</span><span class=\"hex\">#%1</span>"
                                   "<span class=\"hex\">code %3</span></li>\n")
                        .arg(hex, ral, colourField(e));
        }
        html += QStringLiteral("</ul>\n");
    }
    html += QStringLiteral("</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace pelorin::ral
