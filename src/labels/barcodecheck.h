#pragma once
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

#include "labels/barcode.h"
#include "labels/executedpage.h"

// What a barcode will be worth once printed, predicted from its geometry before anything is printed:
// how its modules fall on a printer's dots, its quiet zones, and the decodability a verifier would
// measure from the element widths as they come out (the edge-to-similar-edge method of ISO/IEC 15416).
// A printer lays every edge on a dot: a module of 1.9 dots gives bars and spaces of one width 1, 2 or
// 3 dots wide, which a scanner cannot tell apart, while a whole number of dots keeps them all alike.
namespace pelorin::report {

// Print quality grades, best first.
enum class Grade { A, B, C, D, F };

QChar gradeLetter(Grade grade);
// ISO/IEC 15416's thresholds for decodability: 0.62 A, 0.50 B, 0.37 C, 0.25 D, below F.
Grade decodabilityGrade(double decodability);

// The widths in modules of a linear symbol's elements, bar, space, bar, … from its first bar to its
// last, given its bars as (start, width) in modules from the symbol's left edge, in order.
struct ModuleRun
{
    int start = 0;
    int width = 0;
};
std::vector<int> elementModules(const std::vector<ModuleRun>& bars);

// The element widths, in dots, as a device of whole dots prints them: the symbol's left edge at
// `originDots` and each module `moduleDots` wide, every edge moved to the nearest dot
// boundary (a dot is inked when its centre lies inside a bar).
std::vector<double> printedElementWidths(const std::vector<int>& elementModules, double originDots, double moduleDots);

// The edge-to-similar-edge decodability (0 to 1) of a Code 128 (or GS1-128) symbol: each character's
// six elements (seven for the stop character) give four sums of two neighbours, each decoded against
// the reference thresholds halfway between whole modules of that character; the decodability is the
// smallest margin left to a threshold, relative to half a module. 1 for a perfect symbol, 0 where an
// element sum reaches the threshold that would read it as another width. `nominal` and `printed`
// are the elements of the whole symbol, start to stop; a symbol whose elements do not form whole
// characters gives 0.
double code128Decodability(const std::vector<int>& nominal, const std::vector<double>& printed);

// How a symbol of `modules` modules (quiet zones not counted) is fitted into a box `boxMm` wide on a
// device of `dpi` dots per inch: the largest whole number of dots per module that leaves quiet zones
// of `quietModules` modules on both sides inside the box, centred.
struct ModuleFit
{
    int dotsPerModule = 0; // 0: not even one dot per module fits with the quiet zones
    double moduleMm = 0.0;
    double symbolMm = 0.0;       // the bars' width, quiet zones not counted
    double quietModules = 0.0;   // the quiet zone each side, in modules, once centred
    bool reachesMinimum = false; // the module is at least the minimum width asked
    // the narrowest box in which the module reaches the minimum width in whole dots, quiet zones
    // included: what a box too narrow would have to become
    double minimumBoxMm = 0.0;
};
ModuleFit fitModules(int modules, double boxMm, double dpi, double minModuleMm = 0.125, int quietModules = 10);

// The narrowest module a scanner is expected to read when a page does not say otherwise, mm.
inline constexpr double kDefaultMinimumModuleMm = 0.125;
// The resolution barcodes are fitted for when the printer does not tell its own: the common one of
// office and label printers.
inline constexpr int kDefaultPrinterDpi = 300;

// The quiet zone a symbology needs on each side, in modules: ten for linear symbols, four for a QR
// Code, one for a Data Matrix.
int quietZoneModules(Symbology symbology);
// "Code 128", "QR Code", …: how the check names a symbology.
QString symbologyName(Symbology symbology);

// Where a barcode is drawn in its box for a device of `dpi` dots per inch, the one geometry the
// painter draws and the check grades. The largest whole number of dots per module that leaves the
// symbology's quiet zones inside the box is taken, the symbol centred on a whole dot (a symbol of
// fixed proportions is fitted to the box's height as well, and centred both ways); a linear
// symbol's bars run from the box's top to the human-readable line, or to its bottom when the box is
// too low for both. When even that module stays under the minimum, nothing is drawn but a marked
// placeholder: a symbol graded F would be worse than none, as it looks like a code.
struct BarcodePlacement
{
    bool drawn = false;
    int dotsPerModule = 0;
    double moduleInches = 0.0;
    QRectF symbol;             // the modules' area, inches from the paper's corner, on whole dots
    double quietModules = 0.0; // the narrower of the two quiet zones, in modules
    double minimumBoxMm = 0.0; // the narrowest box giving the minimum module in whole dots
    // the human-readable line under the bars: its em (0: none) and its cell's top-left corner, inches
    double textEm = 0.0;
    QPointF textAt;
};
BarcodePlacement placeBarcode(const BarcodeSymbol& symbol, const QRectF& boxInches, double dpi,
                              double minimumModuleMm = kDefaultMinimumModuleMm);

// What one barcode of a page will be worth once printed.
struct BarcodeReport
{
    int component = -1; // index among the page's components
    QString name;       // the component's name on the page
    QRectF box;         // inches
    Symbology symbology;
    int modules = 0;
    bool drawn = false; // false: the box is too narrow for the minimum module at this resolution
    double moduleMm = 0.0;
    double moduleDots = 0.0;
    bool wholeDots = false;
    double quietModules = 0.0;
    int quietRequired = 0;
    double barHeightMm = 0.0;
    double minimumBoxMm = 0.0;
    double decodability = 0.0; // edge-to-similar-edge, for Code 128; 1 or 0 for the others
    Grade grade = Grade::F;

    // Why the grade is what it is, in the operator's words.
    QString reason(double minimumModuleMm) const;
};

// Every barcode of the page at `dpi` dots per inch, in the page's order. Empty symbols (a text that
// cannot be encoded) draw nothing and are not listed.
struct PageReport
{
    double dpi = 0.0;
    double minimumModuleMm = kDefaultMinimumModuleMm;
    std::vector<BarcodeReport> barcodes;

    // The worst grade of the page; A for a page without barcodes.
    Grade grade() const;
    // Every barcode grades A or B: what a page must reach to be printed without a question.
    bool scans() const { return grade() <= Grade::B; }
    // The first barcode of the worst grade, or null.
    const BarcodeReport* worst() const;
};

BarcodeReport checkBarcode(const ExecutedComponent& component, double dpi, double minimumModuleMm);
PageReport checkPage(const ExecutedPage& page, double dpi);

// What the operator is shown of a page's check: green when every barcode grades A or B, orange for
// C, red below or when a box is too narrow; with the reason in words.
enum class QualityMark { Green, Orange, Red };
QualityMark qualityMark(const PageReport& report);
// "Codes-barres lisibles à 300 points par pouce (qualité A).", or what stands in the way.
QString qualityHint(const PageReport& report);

} // namespace pelorin::report
