// Where perturbation takes merged steps: the choice between the vector lanes (every pixel takes
// every step, sixteen pixels at once) and the pixel-by-pixel path with the table of merged
// steps, and the table's tolerance.
#pragma once

#include <cstdint>

#include "deep/bla_pixel.h"
#include "deep/bla_table.h"
#include "deep/deep_view.h"
#include "deep/reference_orbit.h"

// The relative size of the neglected z^2 against the linear term of a step: measured against
// brute force in bench/deep_agreement.cpp (see bench/README.md).
constexpr double kBlaTolerance = 0x1p-32;

// The merged steps pay for their table and the pixel-by-pixel loop where a picture's pixels
// take this many steps on average (measured in bench/deep_speed.cpp choice); the lanes, sixteen
// pixels a step, are faster where pixels escape sooner. The average is taken over a grid of
// kCostSampleSide x kCostSampleSide pixels, each counted to kCostSampleCap steps at most.
constexpr std::int32_t kBlaFromMeanSteps = 1000;
constexpr std::int32_t kCostSampleSide = 16;
constexpr std::int32_t kCostSampleCap = 2 * kBlaFromMeanSteps;
// And where, on the same pixels counted to kTurnSampleCap steps, the merged steps' loop (one
// pixel at a time) advances at least kBlaTurnCost steps a turn: a turn costs about as much as
// that many lane steps (measured in bench/deep_speed.cpp choice). Where pixels' differences grow
// fast, merged steps are short and the lanes are faster however long the pixels run.
constexpr double kBlaTurnCost = 16.0;
constexpr std::int32_t kTurnSampleCap = 16 * kCostSampleCap;

// Within this of the escape circle (|Z|^2 - 4) the doubles of |Z + z|^2 can no longer decide
// escape: the lanes' test is not taken where the reference comes this close.
constexpr double kEscapeCircleMargin = 0x1p-30;

// The pixel-by-pixel path rebases where |Z + z| < |z| x sqrt(kBlaRebaseRatio) (measured: see
// bench/README.md), and ends pixels inside attracting cycles early unless told not to.
constexpr double kBlaRebaseRatio = 1.0;
constexpr int kBlaInteriorCheck = 1;

enum BlaChoice { kBlaByCost = 0, kBlaNever = 1, kBlaAlways = 2 };

struct BlaSettings {
    BlaChoice choice;
    double tolerance;
    double rebaseRatio;
    int interiorCheck;
    int redoDoubtful;  // whether the lanes' doubtful pixels are redone in double-double
};

constexpr BlaSettings kBlaSettings = {kBlaByCost, kBlaTolerance, kBlaRebaseRatio, kBlaInteriorCheck, 1};

// For benchmarks and measurements: which path to take, and how. Not for threads rendering at
// the same time.
void setBlaSettings(const BlaSettings& settings);
const BlaSettings& blaSettings();

// The mean escape count, as the lanes take it, of a grid of pixels spread over view at width
// x height, each counted to kCostSampleCap steps at most: what the lanes' time grows with.
// The same for the same inputs on every build and thread count.
double sampledMeanSteps(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height);

// Whether view, rendered at width x height from orbit with double differences, takes the
// pixel-by-pixel path; builds its table and sets pixel's table and rules if so (the table stays
// empty where it does not fit in memory: the lanes are taken then, unless the reference touches
// the escape circle).
int prepareBlaPath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                   BlaTable<double>& table, BlaPicture& pixel);

// The same past the exponent range of doubles (blaCountWide), by the same rules, with the table
// in FloatExp (built from the orbit's tiny values where doubles do not hold them).
int prepareWideBlaPath(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width, std::int32_t height,
                       BlaTable<FloatExp>& table, BlaPicture& pixel);
