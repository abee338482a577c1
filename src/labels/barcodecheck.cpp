#include "labels/barcodecheck.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <cmath>
#include <mutex>
#include <zint.h>

#include "labels/fonts.h"
#include "labels/painter.h"

namespace pelorin::report {

namespace {

constexpr double kMmPerInch = 25.4;
// a Code 128 character: six elements over eleven modules; the stop character seven over thirteen
constexpr int kCharacterElements = 6;
constexpr int kCharacterModules = 11;
constexpr int kStopElements = 7;

// The margin (in dots) left between one sum of two neighbouring elements and the nearer reference
// threshold around its nominal width, 0 when the sum lies past one of them.
double margin(double sum, int nominalModules, double module)
{
    const double low = (nominalModules - 0.5) * module;
    const double high = (nominalModules + 0.5) * module;
    if (sum <= low || sum >= high)
        return 0.0;
    return std::min(sum - low, high - sum);
}

// The advance of a human-readable line in ems of Arial, measured once per text: a sheet repeats
// one code on every label.
double humanReadableWidthEm(const QString& text)
{
    static std::mutex mutex;
    static QHash<QString, double> widths;
    std::lock_guard lock(mutex);
    auto it = widths.constFind(text);
    if (it == widths.constEnd()) {
        if (widths.size() > 1000)
            widths.clear();
        QFont f = descriptionFont(QString(), false);
        f.setPixelSize(1000);
        it = widths.insert(text, QFontMetricsF(f).horizontalAdvance(text) / 1000.0);
    }
    return *it;
}

double onDot(double inches, double dpi)
{
    return std::round(inches * dpi) / dpi;
}

bool isCode128(Symbology s)
{
    return s.zintId == BARCODE_CODE128 || s.zintId == BARCODE_GS1_128;
}

// The widths in modules of a linear symbol's elements from its bars (its rectangles of the first
// row), in order.
std::vector<int> linearElements(const BarcodeSymbol& symbol)
{
    std::vector<ModuleRun> bars;
    bars.reserve(symbol.rects.size());
    for (const ModuleRect& r : symbol.rects)
        if (r.y < 0.5)
            bars.push_back({int(std::lround(r.x)), int(std::lround(r.width))});
    std::sort(bars.begin(), bars.end(), [](const ModuleRun& a, const ModuleRun& b) { return a.start < b.start; });
    return elementModules(bars);
}

} // namespace

QChar gradeLetter(Grade grade)
{
    static const char letters[] = "ABCDF";
    return QChar::fromLatin1(letters[int(grade)]);
}

Grade decodabilityGrade(double v)
{
    if (v >= 0.62)
        return Grade::A;
    if (v >= 0.50)
        return Grade::B;
    if (v >= 0.37)
        return Grade::C;
    if (v >= 0.25)
        return Grade::D;
    return Grade::F;
}

std::vector<int> elementModules(const std::vector<ModuleRun>& bars)
{
    std::vector<int> elements;
    elements.reserve(bars.size() * 2);
    for (size_t i = 0; i < bars.size(); ++i) {
        if (i > 0)
            elements.push_back(bars[i].start - (bars[i - 1].start + bars[i - 1].width));
        elements.push_back(bars[i].width);
    }
    return elements;
}

std::vector<double> printedElementWidths(const std::vector<int>& elementModules, double originDots, double moduleDots)
{
    std::vector<double> widths;
    widths.reserve(elementModules.size());
    // a dot is inked when its centre lies inside the element, from its left edge included: an edge
    // goes to the nearest dot boundary, and one halfway between two to the left one
    const auto boundary = [](double x) { return std::ceil(x - 0.5); };
    int modules = 0;
    double edge = boundary(originDots);
    for (int w : elementModules) {
        modules += w;
        const double next = boundary(originDots + modules * moduleDots);
        widths.push_back(next - edge);
        edge = next;
    }
    return widths;
}

double code128Decodability(const std::vector<int>& nominal, const std::vector<double>& printed)
{
    if (nominal.size() != printed.size() || nominal.size() < size_t(kStopElements) ||
        (nominal.size() - kStopElements) % kCharacterElements != 0)
        return 0.0;
    double worst = 1.0;
    for (size_t first = 0; first < nominal.size();) {
        const bool stop = nominal.size() - first == size_t(kStopElements);
        const size_t count = stop ? kStopElements : kCharacterElements;
        // the character's own width gives its module, as a scanner measures it
        double width = 0.0;
        int modules = 0;
        for (size_t i = first; i < first + count; ++i) {
            width += printed[i];
            modules += nominal[i];
        }
        if (modules != (stop ? kCharacterModules + 2 : kCharacterModules) || width <= 0.0)
            return 0.0;
        const double module = width / modules;
        // four sums of two neighbours decode a character (the stop character's seventh element, its
        // closing bar, is checked by the sums before it)
        for (size_t i = first; i < first + 4; ++i) {
            const double sum = printed[i] + printed[i + 1];
            worst = std::min(worst, margin(sum, nominal[i] + nominal[i + 1], module) / (module / 2.0));
        }
        first += count;
    }
    return std::clamp(worst, 0.0, 1.0);
}

ModuleFit fitModules(int modules, double boxMm, double dpi, double minModuleMm, int quietModules)
{
    ModuleFit fit;
    if (modules <= 0 || !(boxMm > 0.0) || !(dpi > 0.0))
        return fit;
    const double dotMm = kMmPerInch / dpi;
    const int span = modules + 2 * quietModules;
    const double boxDots = boxMm / dotMm;
    fit.dotsPerModule = int(std::floor(boxDots / span + 1e-9));
    const int minimumDots = std::max(1, int(std::ceil(minModuleMm / dotMm - 1e-9)));
    fit.minimumBoxMm = span * minimumDots * dotMm;
    if (fit.dotsPerModule <= 0)
        return fit;
    fit.moduleMm = fit.dotsPerModule * dotMm;
    fit.symbolMm = modules * fit.moduleMm;
    fit.quietModules = (boxMm - fit.symbolMm) / 2.0 / fit.moduleMm;
    fit.reachesMinimum = fit.moduleMm >= minModuleMm - 1e-9;
    return fit;
}

int quietZoneModules(Symbology symbology)
{
    switch (symbology.zintId) {
    case BARCODE_QRCODE:
        return 4;
    case BARCODE_DATAMATRIX:
        return 1;
    default:
        return 10;
    }
}

QString symbologyName(Symbology symbology)
{
    switch (symbology.zintId) {
    case BARCODE_CODE128:
        return QStringLiteral("Code 128");
    case BARCODE_GS1_128:
        return QStringLiteral("GS1-128");
    case BARCODE_EANX:
        return QStringLiteral("EAN-13");
    case BARCODE_QRCODE:
        return QStringLiteral("QR Code");
    case BARCODE_DATAMATRIX:
        return QStringLiteral("Data Matrix");
    default: {
        char name[32] = {};
        if (ZBarcode_BarcodeName(symbology.zintId, name) == 0)
            return QString::fromLatin1(name).remove(QStringLiteral("BARCODE_"));
        return QString::number(symbology.zintId);
    }
    }
}

BarcodePlacement placeBarcode(const BarcodeSymbol& s, const QRectF& box, double dpi, double minimumModuleMm)
{
    BarcodePlacement place;
    if (s.isEmpty() || !(box.width() > 0.0) || !(box.height() > 0.0) || !(dpi > 0.0) || !std::isfinite(dpi))
        return place;
    const int quiet = quietZoneModules(s.symbology);
    const ModuleFit across = fitModules(s.modules, box.width() * kMmPerInch, dpi, minimumModuleMm, quiet);
    place.minimumBoxMm = across.minimumBoxMm;
    int dots = across.dotsPerModule;
    double module = dots / dpi;

    // the human-readable line is set under the bars in the default font, made smaller when it would
    // run past the symbol (or the box, where no symbol is drawn); a box too low for both keeps the
    // bars only, the part a scanner needs
    double barsHeight = box.height();
    if (!s.humanReadable.isEmpty()) {
        double em = fontEmInches(0);
        const double room = across.reachesMinimum ? s.modules * module : box.width();
        const double textWidth = humanReadableWidthEm(s.humanReadable) * em;
        if (textWidth > room && textWidth > 0.0) {
            // in steps of a quarter of a dot, a little under the room: hinted glyphs at small sizes
            // come out wider than their outlines
            const double step = 0.25 / dpi;
            em = std::max(step, std::floor(em * room / textWidth * 0.97 / step) * step);
        }
        const double cell = em * fontCellPerEm();
        if (box.height() >= 2.0 * cell) {
            place.textEm = em;
            barsHeight = box.height() - cell;
        }
    }
    if (s.fixedRatio) {
        const ModuleFit down =
            fitModules(int(std::ceil(s.height - 1e-9)), barsHeight * kMmPerInch, dpi, minimumModuleMm, quiet);
        dots = std::min(dots, down.dotsPerModule);
        module = dots / dpi;
    }
    place.dotsPerModule = dots;
    place.moduleInches = module;
    place.drawn = dots > 0 && module * kMmPerInch >= minimumModuleMm - 1e-9;
    if (!place.drawn) {
        place.textAt = QPointF(box.left(), box.top() + barsHeight);
        return place;
    }

    const double width = s.modules * module;
    const double left = onDot(box.left() + (box.width() - width) / 2.0, dpi);
    double top = onDot(box.top(), dpi);
    double height = onDot(box.top() + barsHeight, dpi) - top;
    double quietInches = std::min(left - box.left(), box.right() - (left + width));
    if (s.fixedRatio) {
        height = s.height * module;
        top = onDot(box.top() + (barsHeight - height) / 2.0, dpi);
        quietInches = std::min({quietInches, top - box.top(), box.top() + barsHeight - (top + height)});
    }
    place.symbol = QRectF(left, top, width, height);
    place.quietModules = quietInches / module;
    place.textAt = QPointF(left, top + height);
    return place;
}

QString BarcodeReport::reason(double minimumModuleMm) const
{
    const QLocale french(QLocale::French);
    if (!drawn)
        return QStringLiteral("%1 « %2 » : la case de %3 mm est trop étroite pour des modules d'au moins %4 mm ; "
                              "il faudrait %5 mm.")
            .arg(symbologyName(symbology), name, french.toString(box.width() * kMmPerInch, 'f', 1),
                 french.toString(minimumModuleMm, 'f', 3), french.toString(minimumBoxMm, 'f', 1));
    return QStringLiteral("%1 « %2 » : modules de %3 mm (%4 points), zones de silence de %5 modules, qualité %6.")
        .arg(symbologyName(symbology), name, french.toString(moduleMm, 'f', 3), french.toString(moduleDots, 'f', 0),
             french.toString(quietModules, 'f', 1), QString(gradeLetter(grade)));
}

BarcodeReport checkBarcode(const ExecutedComponent& c, double dpi, double minimumModuleMm)
{
    BarcodeReport r;
    const BarcodeSymbol& s = c.symbol;
    r.name = c.name;
    r.box = c.box;
    r.symbology = s.symbology;
    r.modules = s.modules;
    r.quietRequired = quietZoneModules(s.symbology);
    const BarcodePlacement place = placeBarcode(s, c.box, dpi, minimumModuleMm);
    r.drawn = place.drawn;
    r.minimumBoxMm = place.minimumBoxMm;
    if (!place.drawn)
        return r; // nothing to scan: F
    r.moduleMm = place.moduleInches * kMmPerInch;
    r.moduleDots = place.dotsPerModule;
    r.wholeDots = true;
    r.quietModules = place.quietModules;
    r.barHeightMm = place.symbol.height() * kMmPerInch;
    if (isCode128(s.symbology)) {
        const std::vector<int> nominal = linearElements(s);
        const std::vector<double> printed =
            printedElementWidths(nominal, place.symbol.left() * dpi, double(place.dotsPerModule));
        r.decodability = code128Decodability(nominal, printed);
    } else {
        // a symbol of whole dots prints every module alike: nothing is left to measure against
        r.decodability = 1.0;
    }
    r.grade = decodabilityGrade(r.decodability);
    return r;
}

Grade PageReport::grade() const
{
    Grade worst = Grade::A;
    for (const BarcodeReport& b : barcodes)
        worst = std::max(worst, b.grade);
    return worst;
}

const BarcodeReport* PageReport::worst() const
{
    const BarcodeReport* found = nullptr;
    for (const BarcodeReport& b : barcodes)
        if (!found || b.grade > found->grade)
            found = &b;
    return found;
}

PageReport checkPage(const ExecutedPage& page, double dpi)
{
    PageReport report;
    report.dpi = dpi;
    report.minimumModuleMm = page.minimumModuleMm();
    const std::vector<ExecutedComponent>& components = page.components();
    for (size_t i = 0; i < components.size(); ++i) {
        const ExecutedComponent& c = components[i];
        if (c.cls != ComponentClass::Barcode || c.symbol.isEmpty())
            continue;
        report.barcodes.push_back(checkBarcode(c, dpi, report.minimumModuleMm));
        report.barcodes.back().component = int(i);
    }
    return report;
}

QualityMark qualityMark(const PageReport& report)
{
    const Grade grade = report.grade();
    return grade <= Grade::B ? QualityMark::Green : grade == Grade::C ? QualityMark::Orange : QualityMark::Red;
}

QString qualityHint(const PageReport& report)
{
    if (report.barcodes.empty())
        return QStringLiteral("Aucun code-barres sur la page.");
    const QString grade(gradeLetter(report.grade()));
    const BarcodeReport* worst = report.worst();
    switch (qualityMark(report)) {
    case QualityMark::Green:
        return QStringLiteral("Codes-barres lisibles à %1 points par pouce (qualité %2).").arg(report.dpi).arg(grade);
    case QualityMark::Orange:
        return QStringLiteral("Codes-barres de lecture incertaine à %1 points par pouce (qualité %2). %3")
            .arg(report.dpi)
            .arg(grade, worst->reason(report.minimumModuleMm));
    case QualityMark::Red:
        break;
    }
    return QStringLiteral("Codes-barres illisibles à %1 points par pouce (qualité %2). %3")
        .arg(report.dpi)
        .arg(grade, worst->reason(report.minimumModuleMm));
}

} // namespace pelorin::report
