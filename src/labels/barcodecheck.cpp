#include "labels/barcodecheck.h"

#include <algorithm>
#include <cmath>

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

} // namespace pelorin::report
