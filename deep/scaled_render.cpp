#include "deep/scaled_render.h"

#include <algorithm>
#include <cmath>

#include "core/row_kernels.h"

namespace {

// Steps between two looks at the stop flag.
constexpr std::int64_t kStopCheckSteps = 1 << 20;
// A difference at least 2^kPlainFrom in size is held with S = 1 (plain doubles, as in the
// double lanes); one that falls below 2^kScaledBelow goes back to a scale of its own. The gap
// keeps a lane from changing back and forth.
constexpr std::int64_t kPlainFrom = -300;
constexpr double kScaledBelow = 0x1p-800;  // |d|^2 at 2^-400
// s is 0 below this scale; with |w| at least 2^-50, s w is never a subnormal double.
constexpr std::int64_t kSmallestScale = -960;
// A scaled lane's |w|^2 is kept within these bounds (|w| within 2^-50 to 2^400): wide, so that
// a lane rescales only every few hundred steps (each event ends the run of all lanes), and
// where s is 0, |d| stays below 2^-560, under 2^-160 of the reference values stepped here.
constexpr double kHighSize = 0x1p800;
constexpr double kLowSize = 0x1p-100;

// What the lanes hold besides the vector state: their scales and offsets at full range, and
// the clock of their next step with a tiny reference value.
struct LaneExtras {
    std::int64_t scale[kVectorLanes];  // S = 2^scale
    FloatExp offsetR[kVectorLanes];
    FloatExp offsetI;  // the row's, the same for every lane
    std::int64_t special[kVectorLanes];
};

struct Row {
    const ScaledPicture& picture;
    ScaledLanes lanes;
    LaneExtras extras;
    std::uint8_t* out;
    std::int32_t firstX;
    std::int32_t nextX;
    std::int32_t endX;
};

void finish(const Row& row, std::int32_t x, std::int64_t count)
{
    const ScaledPicture& picture = row.picture;
    if (picture.counts) {
        picture.counts[x - row.firstX] = std::int32_t(count);
        return;
    }
    const PixelColor& color =
        count < picture.maxIterations ? picture.palette.entries[count & (kPaletteSize - 1)] : picture.insideColor;
    std::uint8_t* p = row.out + std::size_t(x) * kBytesPerPixel;
    for (int b = 0; b < kBytesPerPixel; ++b) p[b] = color.bytes[b];
}

ComplexExp differenceOf(const Row& row, int k)
{
    const std::int64_t scale = row.extras.scale[k];
    return ComplexExp{floatExp(row.lanes.wr[k], scale), floatExp(row.lanes.wi[k], scale)};
}

void refreshSpecial(Row& row, int k, std::int64_t clock);

// Holds difference d in lane k at clock with the scale that suits it.
void place(Row& row, int k, ComplexExp d, std::int64_t clock)
{
    ScaledLanes& lanes = row.lanes;
    const ScaledDifference held = scaledFor(d, ComplexExp{row.extras.offsetR[k], row.extras.offsetI});
    row.extras.scale[k] = held.scale;
    lanes.s[k] = held.s;
    lanes.low[k] = held.low;
    lanes.high[k] = held.high;
    lanes.wr[k] = held.wr;
    lanes.wi[k] = held.wi;
    lanes.ur[k] = held.ur;
    lanes.ui[k] = held.ui;
    refreshSpecial(row, k, clock);
}

// The first step index from m on that reads a tiny reference value (Z(m) or Z(m + 1)); -1 for
// none.
std::int64_t specialStepFrom(const ReferenceOrbit& orbit, std::int64_t m)
{
    const auto at = std::lower_bound(orbit.tinyIndex.begin(), orbit.tinyIndex.end(), m);
    if (at == orbit.tinyIndex.end()) return -1;
    return *at - 1 >= m ? *at - 1 : *at;
}

// Only scaled lanes take steps with the full exponent: where |d| >= 2^-400, a reference value
// below 2^-400 changes the step by less than its rounding, and |z|^2 and |d|^2 stay in range.
void refreshSpecial(Row& row, int k, std::int64_t clock)
{
    const ReferenceOrbit& orbit = *row.picture.orbit;
    const int plain = row.extras.scale[k] == 0;
    std::int64_t from = clock - row.lanes.mStart[k];
    // A pixel's first step, d = 0 at Z(0) = 0, gives d = e exactly in the lanes too (unless
    // Z(1) is tiny as well: a centre next to 0).
    const int fresh = row.lanes.wr[k] == 0.0 && row.lanes.wi[k] == 0.0;
    if (from == 0 && fresh && !(orbit.tinyIndex.size() > 1 && orbit.tinyIndex[1] == 1)) from = 1;
    const std::int64_t m = plain ? -1 : specialStepFrom(orbit, from);
    row.extras.special[k] = m < 0 || row.lanes.x[k] < 0 ? INT64_MAX : row.lanes.mStart[k] + m;
}

ComplexExp referenceAt(const ScaledPicture& picture, std::int64_t m)
{
    const ReferenceOrbit& orbit = *picture.orbit;
    const auto at = std::lower_bound(orbit.tinyIndex.begin(), orbit.tinyIndex.end(), m);
    if (at != orbit.tinyIndex.end() && *at == m) return orbit.tinyValue[std::size_t(at - orbit.tinyIndex.begin())];
    const double* z = orbit.values.get() + 2 * m;
    return ComplexExp{floatExp(z[0]), floatExp(z[1])};
}

// Gives lane k the next pixel of the row, or none (NaN differences, which raise no event).
void takePixel(Row& row, int k, std::int64_t clock)
{
    ScaledLanes& lanes = row.lanes;
    const int has = row.nextX < row.endX;
    lanes.x[k] = has ? row.nextX++ : -1;
    lanes.start[k] = clock;
    lanes.mStart[k] = clock;
    row.extras.special[k] = INT64_MAX;
    if (!has) {
        lanes.wr[k] = lanes.wi[k] = __builtin_nan("");
        lanes.ur[k] = lanes.ui[k] = 0.0;
        lanes.s[k] = 1.0;
        lanes.high[k] = HUGE_VAL;
        lanes.low[k] = -1.0;
        return;
    }
    row.extras.offsetR[k] = pixelOffsetExp(lanes.x[k], row.picture.width, row.picture.step);
    place(row, k, ComplexExp{floatExp(0.0), floatExp(0.0)}, clock);
}

// One step of lane k at clock in the extended-exponent type (its reference values are tiny);
// the clock stays, so the lane's starts move back by one.
void stepExtended(Row& row, int k, std::int64_t clock)
{
    const ScaledPicture& picture = row.picture;
    ScaledLanes& lanes = row.lanes;
    const std::int64_t m = clock - lanes.mStart[k], n = clock - lanes.start[k];
    const ComplexExp z0 = referenceAt(picture, m), z1 = referenceAt(picture, m + 1);
    const ComplexExp d = differenceOf(row, k);
    const ComplexExp twoZd = {scaled(z0.re, 1) + d.re, scaled(z0.im, 1) + d.im};
    const ComplexExp next = twoZd * d + ComplexExp{row.extras.offsetR[k], row.extras.offsetI};
    const ComplexExp z = z1 + next;
    lanes.start[k] -= 1;
    lanes.mStart[k] -= 1;
    const FloatExp magnitude = norm(z);
    if (greater(magnitude, floatExp(4.0))) {
        finish(row, lanes.x[k], n);
        takePixel(row, k, clock);
    } else if (n + 1 == picture.maxIterations) {
        finish(row, lanes.x[k], picture.maxIterations);
        takePixel(row, k, clock);
    } else if (smallerMagnitude(magnitude, norm(next)) || m + 1 == picture.lastIndex) {
        lanes.mStart[k] = clock;
        place(row, k, z, clock);
    } else {
        place(row, k, next, clock);
    }
}

// After a run of steps ending at clock: ends, rebases or rescales the lanes whose turn it is,
// and takes the steps with tiny reference values; returns the number of lanes with a pixel.
int settle(Row& row, const StepValues& last, std::int64_t clock)
{
    const ScaledPicture& picture = row.picture;
    ScaledLanes& lanes = row.lanes;
    int busy = 0;
    for (int k = 0; k < kVectorLanes; ++k) {
        if (lanes.x[k] < 0) {
            // An empty lane steps on with the others: its reference index starts again at the
            // end of the reference, as a pixel's would, so that it never reads past it.
            if (clock - lanes.mStart[k] == picture.lastIndex) lanes.mStart[k] = clock;
            continue;
        }
        const std::int64_t n = clock - lanes.start[k];  // steps taken, the last one included
        const double size = lanes.wr[k] * lanes.wr[k] + lanes.wi[k] * lanes.wi[k];
        if (last.magnitude[k] > 4.0) {
            finish(row, lanes.x[k], n - 1);
            takePixel(row, k, clock);
        } else if (n == picture.maxIterations) {
            finish(row, lanes.x[k], n);
            takePixel(row, k, clock);
        } else if (last.magnitude[k] < last.differenceMagnitude[k] || clock - lanes.mStart[k] == picture.lastIndex) {
            const double* z = picture.orbit->values.get() + 2 * (clock - lanes.mStart[k]);
            const ComplexExp d = differenceOf(row, k);
            lanes.mStart[k] = clock;
            place(row, k, ComplexExp{floatExp(z[0]) + d.re, floatExp(z[1]) + d.im}, clock);
        } else if (size > lanes.high[k] || size < lanes.low[k]) {
            place(row, k, differenceOf(row, k), clock);
        }
        while (lanes.x[k] >= 0 && row.extras.special[k] == clock) stepExtended(row, k, clock);
        busy += lanes.x[k] >= 0;
    }
    return busy;
}

// The clock at which the next lane reaches the limit, the end of the reference or a tiny
// reference value.
std::int64_t nextBound(const Row& row)
{
    std::int64_t bound = INT64_MAX;
    for (int k = 0; k < kVectorLanes; ++k) {
        const std::int64_t end = row.lanes.mStart[k] + row.picture.lastIndex;
        const std::int64_t limit = row.lanes.x[k] >= 0 ? row.lanes.start[k] + row.picture.maxIterations : INT64_MAX;
        bound = std::min(bound, std::min(end, std::min(limit, row.extras.special[k])));
    }
    return bound;
}

// Renders columns firstX to endX - 1 of row r; 0 when stopped.
int renderColumns(const ScaledPicture& picture, std::int32_t r, std::int32_t firstX, std::int32_t endX)
{
    Row row = {picture, {}, {}, picture.bits ? picture.bits + std::size_t(r) * picture.width * kBytesPerPixel : nullptr,
               firstX, firstX, endX};
    row.extras.offsetI = pixelOffsetExp(r, picture.height, picture.step);
    std::int64_t clock = 0;
    for (int k = 0; k < kVectorLanes; ++k) takePixel(row, k, clock);
    // A first pixel may begin with a tiny reference value.
    int busy = 0;
    for (int k = 0; k < kVectorLanes; ++k) {
        while (row.lanes.x[k] >= 0 && row.extras.special[k] == clock) stepExtended(row, k, clock);
        busy += row.lanes.x[k] >= 0;
    }
    std::int64_t stopCheck = kStopCheckSteps / kVectorLanes;
    while (busy > 0) {
        std::int64_t bound = nextBound(row);
        if (stopCheck < bound) bound = stopCheck;
        StepValues last;
        clock = picture.run(picture.orbit->values.get(), row.lanes, clock, bound, last);
        if (clock == stopCheck) {
            if (picture.stop && picture.stop->load()) return 0;
            stopCheck = clock + kStopCheckSteps / kVectorLanes;
        }
        busy = settle(row, last, clock);
    }
    return 1;
}

}  // namespace

ScaledDifference scaledFor(const ComplexExp& d, const ComplexExp& offset)
{
    ScaledDifference held;
    const std::int64_t own = largerExponent(d), offsetScale = largerExponent(offset);
    const int zero = d.re.mantissa == 0.0 && d.im.mantissa == 0.0;
    const int noOffset = offset.re.mantissa == 0.0 && offset.im.mantissa == 0.0;
    std::int64_t scale = own > offsetScale ? own : offsetScale;
    if (own >= kPlainFrom || scale >= kPlainFrom || (zero && noOffset)) {
        scale = 0;
        held.s = 1.0;
        held.high = HUGE_VAL;
        held.low = kScaledBelow;
    } else {
        held.s = scale >= kSmallestScale ? powerOfTwo(int(scale)) : 0.0;
        held.high = kHighSize;
        held.low = kLowSize;
    }
    held.scale = scale;
    held.wr = toDouble(d.re, -scale);
    held.wi = toDouble(d.im, -scale);
    held.ur = toDouble(offset.re, -scale);
    held.ui = toDouble(offset.im, -scale);
    if (held.wr == 0.0 && held.wi == 0.0) held.low = -1.0;  // nothing to rescale yet
    return held;
}

FloatExp pixelStepExp(const DeepView& view, std::int32_t width)
{
    const Magnification& m = view.magnification;
    return floatExp(6.0 / (double(width) * m.mantissa), -m.exponent);
}

void setUpScaled(ScaledPicture& picture, const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
                 std::int32_t height)
{
    picture.orbit = &orbit;
    picture.lastIndex = lastIndexFor(orbit, view.maxIterations);
    picture.maxIterations = view.maxIterations;
    picture.width = width;
    picture.height = height;
    picture.step = pixelStepExp(view, width);
    ViewParams colors = kInitialViewParams;
    for (int i = 0; i < 4; ++i) colors.colors[i] = view.colors[i];
    buildPalette(colors, picture.palette);
    picture.insideColor = pixelFromColorRef(view.colors[3]);
    picture.bits = nullptr;
    picture.counts = nullptr;
    picture.stop = nullptr;
    picture.run = rowKernelSupported(kRowKernelAvx2) ? runScaledAvx2 : runScaledSse2;
}

int renderScaledRow(std::int32_t row, void* context)
{
    const ScaledPicture& picture = *static_cast<const ScaledPicture*>(context);
    return renderColumns(picture, row, 0, picture.width);
}

std::int32_t scaledCount(const ScaledPicture& picture, std::int32_t x, std::int32_t r)
{
    ScaledPicture one = picture;
    std::int32_t counts[1] = {0};
    one.counts = counts;
    one.bits = nullptr;
    renderColumns(one, r, x, x + 1);
    return counts[0];
}
