#pragma once
#include <QString>
#include <vector>

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

} // namespace pelorin::report
