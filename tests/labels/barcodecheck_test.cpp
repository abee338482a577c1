#include "labels/barcode.h"
#include "labels/barcodecheck.h"
#include "samplecode.h"

#include <gtest/gtest.h>

using namespace pelorin::report;

namespace {

std::vector<ModuleRun> runsOf(const BarcodeSymbol& symbol)
{
    std::vector<ModuleRun> runs;
    for (const Bar& b : symbol.bars)
        runs.push_back({b.start, b.width});
    return runs;
}

// The element widths a row of dots shows once the bars are laid on it, measured the way a verifier
// measures a scan line: a dot is black when its centre lies inside a bar, and the widths are the runs
// of one colour from the first black dot to the last.
std::vector<double> measuredOnDots(const std::vector<ModuleRun>& bars, double originDots, double moduleDots)
{
    const int total = bars.back().start + bars.back().width;
    const int dots = int(std::ceil(originDots + total * moduleDots)) + 2;
    std::vector<bool> black(size_t(dots), false);
    for (int d = 0; d < dots; ++d) {
        const double centre = d + 0.5;
        for (const ModuleRun& b : bars)
            if (centre >= originDots + b.start * moduleDots && centre < originDots + (b.start + b.width) * moduleDots)
                black[size_t(d)] = true;
    }
    std::vector<double> widths;
    int d = 0;
    while (d < dots && !black[size_t(d)])
        ++d;
    int last = dots - 1;
    while (last >= 0 && !black[size_t(last)])
        --last;
    while (d <= last) {
        const bool colour = black[size_t(d)];
        int run = 0;
        while (d <= last && black[size_t(d)] == colour) {
            ++run;
            ++d;
        }
        widths.push_back(run);
    }
    return widths;
}

TEST(BarcodeCheck, theTraceabilityCodeGradesByHowItsModulesFallOnTheDots)
{
    const BarcodeSymbol symbol = encodeCode128(pelorin::test::kCode);
    ASSERT_EQ(symbol.modules, 211);
    const std::vector<ModuleRun> bars = runsOf(symbol);
    const std::vector<int> nominal = elementModules(bars);

    struct Case
    {
        double origin, moduleDots;
        Grade grade;
    };
    const Case cases[] = {
        {0.0, 3.0, Grade::A},  // 600 dpi, three whole dots a module
        {0.5, 2.0, Grade::A},  // whole dots wherever the symbol starts
        {10.0, 1.0, Grade::A}, // one dot a module is still even
        {0.0, 1.9, Grade::F},  // 34 mm at 300 dpi: bars of one width come out 1 to 3 dots wide
        {0.3, 1.5, Grade::F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.moduleDots << " dots from " << c.origin);
        const std::vector<double> printed = printedElementWidths(nominal, c.origin, c.moduleDots);
        // what the function predicts is what a row of dots shows
        EXPECT_EQ(printed, measuredOnDots(bars, c.origin, c.moduleDots));
        const double v = code128Decodability(nominal, printed);
        EXPECT_EQ(decodabilityGrade(v), c.grade) << v;
        if (c.grade == Grade::A) {
            EXPECT_DOUBLE_EQ(v, 1.0);
        }
    }
    // at 1.9 dots a module no place of the symbol on the dots saves it
    for (double origin = 0.0; origin < 1.0; origin += 0.125) {
        const double v = code128Decodability(nominal, printedElementWidths(nominal, origin, 1.9));
        EXPECT_EQ(decodabilityGrade(v), Grade::F) << origin << ": " << v;
    }
}

TEST(BarcodeCheck, decodabilityIsTheSmallestMarginToAThreshold)
{
    // one character 2 1 2 2 2 2 (11 modules) then the stop 2 3 3 1 1 1 2, ten dots a module
    const std::vector<int> nominal = {2, 1, 2, 2, 2, 2, 2, 3, 3, 1, 1, 1, 2};
    std::vector<double> printed;
    for (int n : nominal)
        printed.push_back(n * 10.0);
    EXPECT_DOUBLE_EQ(code128Decodability(nominal, printed), 1.0);

    // a bar 2.5 dots wider and its space 2.5 narrower: the sums across the pair keep their width,
    // those on either side move by a quarter of a module, half the way to a threshold
    std::vector<double> shifted = printed;
    shifted[2] += 2.5;
    shifted[3] -= 2.5;
    EXPECT_NEAR(code128Decodability(nominal, shifted), 0.5, 1e-9);
    EXPECT_EQ(decodabilityGrade(code128Decodability(nominal, shifted)), Grade::B);

    // half a module off: read as another width
    std::vector<double> broken = printed;
    broken[2] += 5.0;
    broken[3] -= 5.0;
    EXPECT_DOUBLE_EQ(code128Decodability(nominal, broken), 0.0);

    // elements that are no whole characters cannot be judged
    EXPECT_DOUBLE_EQ(code128Decodability({2, 1, 2}, {20, 10, 20}), 0.0);
    EXPECT_DOUBLE_EQ(code128Decodability(nominal, {}), 0.0);
}

TEST(BarcodeCheck, gradeThresholds)
{
    const struct
    {
        double v;
        char letter;
    } cases[] = {{1.0, 'A'},  {0.62, 'A'}, {0.61, 'B'}, {0.5, 'B'},  {0.49, 'C'},
                 {0.37, 'C'}, {0.36, 'D'}, {0.25, 'D'}, {0.24, 'F'}, {0.0, 'F'}};
    for (const auto& c : cases)
        EXPECT_EQ(gradeLetter(decodabilityGrade(c.v)), QLatin1Char(c.letter)) << c.v;
}

TEST(BarcodeCheck, fittingTakesWholeDotsWithTenModuleQuietZones)
{
    struct Case
    {
        double boxMm, dpi;
        int dots;
        bool reachesMinimum;
    };
    // the 211-module code in a label's 34 mm box, and in a 100 x 50 mm label's 80 mm box
    const Case cases[] = {
        {34.0, 300, 1, false},                       // 0.085 mm: under the 0.125 mm a scanner needs
        {34.0, 600, 3, true},                        // 0.127 mm
        {34.0, 203, 1, true},                        // 0.125 mm, a thermal printer's single dot
        {80.0, 300, 4, true},  {5.0, 300, 0, false}, // not even a dot a module
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.boxMm << " mm at " << c.dpi << " dpi");
        const ModuleFit fit = fitModules(211, c.boxMm, c.dpi);
        EXPECT_EQ(fit.dotsPerModule, c.dots);
        EXPECT_EQ(fit.reachesMinimum, c.reachesMinimum);
        if (fit.dotsPerModule > 0) {
            EXPECT_NEAR(fit.moduleMm, c.dots * 25.4 / c.dpi, 1e-9);
            EXPECT_NEAR(fit.symbolMm, 211 * fit.moduleMm, 1e-9);
            // centred, with at least the ten modules each side
            EXPECT_GE(fit.quietModules, 10.0 - 1e-9);
            EXPECT_NEAR(fit.symbolMm + 2 * fit.quietModules * fit.moduleMm, c.boxMm, 1e-9);
        }
        // the box that would reach the minimum in whole dots holds 231 modules of them
        const int minimumDots = int(std::ceil(0.125 / (25.4 / c.dpi) - 1e-9));
        EXPECT_NEAR(fit.minimumBoxMm, 231 * minimumDots * 25.4 / c.dpi, 1e-9);
        EXPECT_EQ(fitModules(211, fit.minimumBoxMm, c.dpi).reachesMinimum, true);
    }
}

} // namespace
