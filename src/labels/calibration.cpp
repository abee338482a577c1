#include "labels/calibration.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <cmath>

#include "base/convert.h"
#include "base/error.h"
#include "labels/description.h"

namespace pelorin {

namespace {

// one group per workstation, so that a home folder shared by several machines keeps each one's values
QString groupOf(const QString& printer)
{
    const QString host =
        QSysInfo::machineHostName().isEmpty() ? QStringLiteral("localhost") : QSysInfo::machineHostName();
    // a group name holding '/' would nest groups: both names are kept whole
    return QString::fromLatin1(host.toUtf8().toPercentEncoding() + '/' + printer.toUtf8().toPercentEncoding());
}

void checkRange(const QString& what, double value, double least, double most, const QString& unit)
{
    if (!std::isfinite(value) || value < least || value > most)
        throw Error(QStringLiteral("%1 hors limites : %2 %3 (de %4 à %5 %3).")
                        .arg(what, shortestDecimal(value), unit, shortestDecimal(least), shortestDecimal(most)));
}

constexpr double inches(double millimetres)
{
    return millimetres / kMillimetresPerInch;
}

} // namespace

void checkCalibration(const PrinterCalibration& c)
{
    const QString millimetres = QStringLiteral("mm"), percent = QStringLiteral("%");
    checkRange(QStringLiteral("Décalage horizontal"), c.dx, -kMostCalibrationOffsetMm, kMostCalibrationOffsetMm,
               millimetres);
    checkRange(QStringLiteral("Décalage vertical"), c.dy, -kMostCalibrationOffsetMm, kMostCalibrationOffsetMm,
               millimetres);
    checkRange(QStringLiteral("Échelle horizontale"), c.sx, kLeastCalibrationScale, kMostCalibrationScale, percent);
    checkRange(QStringLiteral("Échelle verticale"), c.sy, kLeastCalibrationScale, kMostCalibrationScale, percent);
}

QString calibrationFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/pelorin/printers.ini");
}

PrinterCalibration loadCalibration(const QString& printer)
{
    const QSettings settings(calibrationFile(), QSettings::IniFormat);
    const QString group = groupOf(printer) + u'/';
    const auto value = [&](const char* key, double fallback) {
        bool ok = false;
        const double v = settings.value(group + QLatin1String(key)).toString().toDouble(&ok);
        return ok ? v : fallback;
    };
    PrinterCalibration c;
    c.dx = value("dx", 0.0);
    c.dy = value("dy", 0.0);
    c.sx = value("sx", 100.0);
    c.sy = value("sy", 100.0);
    // a file edited by hand to values out of range must not send the print off the paper
    try {
        checkCalibration(c);
    } catch (const Error&) {
        return PrinterCalibration();
    }
    return c;
}

void saveCalibration(const QString& printer, const PrinterCalibration& c)
{
    checkCalibration(c);
    const QString path = calibrationFile();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw Error(QStringLiteral("Impossible de créer le dossier de « %1 ».").arg(path));
    QSettings settings(path, QSettings::IniFormat);
    settings.remove(groupOf(printer));
    if (!c.isIdentity()) {
        settings.beginGroup(groupOf(printer));
        // text with a point whatever the regional settings: the file travels with the home folder
        settings.setValue(QStringLiteral("dx"), QString::number(c.dx, 'g', 10));
        settings.setValue(QStringLiteral("dy"), QString::number(c.dy, 'g', 10));
        settings.setValue(QStringLiteral("sx"), QString::number(c.sx, 'g', 10));
        settings.setValue(QStringLiteral("sy"), QString::number(c.sy, 'g', 10));
        settings.endGroup();
    }
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Error(QStringLiteral("Impossible d'enregistrer la calibration dans « %1 ».").arg(path));
}

QString calibrationText(const PrinterCalibration& c)
{
    return QStringLiteral("dx = %1 mm  dy = %2 mm  sx = %3 %  sy = %4 %")
        .arg(shortestDecimal(c.dx), shortestDecimal(c.dy), shortestDecimal(c.sx), shortestDecimal(c.sy));
}

QTransform calibrationTransform(const PrinterCalibration& c, double unitsPerInch)
{
    QTransform t;
    t.translate(inches(c.dx) * unitsPerInch, inches(c.dy) * unitsPerInch);
    t.scale(c.sx / 100.0, c.sy / 100.0);
    return t;
}

report::Page calibrationPage(QSizeF paperInches, const QString& printer)
{
    using report::ComponentClass;
    report::Page page(paperInches);
    // to the hundredth: A4 in inches is 209.99999… mm
    const double width = std::round(paperInches.width() * kMillimetresPerInch * 100.0) / 100.0;
    const double height = std::round(paperInches.height() * kMillimetresPerInch * 100.0) / 100.0;

    // a line is a rectangle without width or height, drawn with the thinnest pen
    const auto line = [&page](double left, double top, double w, double h) {
        report::Component& c = page.create(ComponentClass::Rectangle, QStringLiteral("Trait"));
        c.left = inches(left), c.top = inches(top), c.width = inches(w), c.height = inches(h);
        c.rectangle().borderWidth = 0;
    };
    const auto text = [&page](double left, double top, const QString& s, int pixels = 0) {
        report::Component& c = page.create(ComponentClass::Text, QStringLiteral("Texte"));
        c.left = inches(left), c.top = inches(top), c.width = inches(5), c.height = inches(5);
        c.text().text = s;
        c.text().fontHeightPx = pixels;
    };

    // rulers from the paper's edges: a tick every millimetre, longer every 5, numbered every 10
    const auto tick = [](int n) { return n % 10 == 0 ? 6.0 : n % 5 == 0 ? 4.0 : 2.0; };
    for (int x = 0; x <= int(width); ++x) {
        line(x, 0.0, 0.0, tick(x));
        if (x % 10 == 0 && x > 0 && x + 5 < width)
            text(x + 0.5, 5.0, QString::number(x), 11);
    }
    for (int y = 0; y <= int(height); ++y) {
        line(0.0, y, tick(y), 0.0);
        if (y % 10 == 0 && y > 0 && y + 5 < height)
            text(6.5, y - 2.0, QString::number(y), 11);
    }

    // crosses 10 mm wide centred on their point, with their letter beside them
    const double inset = kCrossInsetMm;
    const struct
    {
        const char* name;
        double x, y;
    } crosses[] = {// B and C on whole millimetres, so that the distances to measure are whole too
                   {"A", inset, inset},
                   {"B", std::floor(width - inset), inset},
                   {"C", inset, std::floor(height - inset)}};
    for (const auto& cross : crosses) {
        line(cross.x - 5.0, cross.y, 10.0, 0.0);
        line(cross.x, cross.y - 5.0, 0.0, 10.0);
        text(cross.x + 1.5, cross.y + 1.0, QString::fromLatin1(cross.name), 16);
    }

    const QString across = shortestDecimal(crosses[1].x - inset), down = shortestDecimal(crosses[2].y - inset);
    const QString at = shortestDecimal(inset);
    report::Component& notice = page.create(ComponentClass::Memo, QStringLiteral("Consignes"));
    notice.left = inches(inset + 10.0), notice.top = inches(inset + 15.0);
    notice.width = inches(width - 2 * inset - 20.0), notice.height = inches(120.0);
    notice.memo().fontHeightPx = 16;
    notice.memo().text =
        QStringLiteral("Calibration de l'imprimante « %1 »\n\n"
                       "Cette page est imprimée sans la calibration enregistrée, à 100 %, sans ajustement à la "
                       "page. Mesurez à la règle, depuis les bords de la feuille :\n"
                       "- GA, la distance du centre de la croix A au bord gauche (attendue : %2 mm) ;\n"
                       "- HA, la distance du centre de la croix A au bord haut (attendue : %2 mm) ;\n"
                       "- AB, la distance de la croix A à la croix B (attendue : %3 mm) ;\n"
                       "- AC, la distance de la croix A à la croix C (attendue : %4 mm).\n\n"
                       "Échelles : sx = %3 / AB × 100 %, sy = %4 / AC × 100 %.\n"
                       "Décalages : dx = %2 − GA × sx / 100 mm, dy = %2 − HA × sy / 100 mm.\n\n"
                       "Enregistrez-les avec le bouton « Calibrer… » de la boîte d'impression, ou par :\n"
                       "pelorin calibrate --printer %1 --dx DX --dy DY --sx SX --sy SY")
            .arg(printer, at, across, down);
    return page;
}

} // namespace pelorin
