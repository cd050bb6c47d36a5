#include "deep/perturbation_render.h"

#include <cmath>
#include <cstdlib>

#include "core/palette.h"
#include "core/row_kernels.h"
#include "core/x87_control.h"
#include "deep/bla_pixel.h"
#include "deep/bla_path.h"
#include "deep/iteration_map.h"
#include "deep/perturbation_lanes.h"
#include "deep/precise_pixel.h"
#include "deep/scaled_render.h"

namespace {

// Pixels in flight on one thread: their orbits are independent, so the processor overlaps
// their steps.
constexpr int kLanes = 8;
// Steps between two looks at the stop flag.
constexpr std::int64_t kStopCheckSteps = 1 << 20;

struct Picture {
    const double* reference;    // Z(0), Z(1), ... as pairs
    std::int32_t lastIndex;     // of the reference's last value
    std::int32_t maxIterations;
    std::int32_t width;
    std::int32_t height;
    long double step;
    FloatExp wideStep;  // the same at any depth
    Palette palette;
    PixelColor insideColor;
    std::uint8_t* bits;
    const std::atomic<int>* stop;
    LaneRun runLanes;  // the double lanes for this processor
    BlaPicture bla;    // the pixel-by-pixel path with merged steps, where it is taken
    const IterationMap* map;   // where the pixels' counts go too, or null
    double centerR, centerI;   // the centre, near enough for the steps of an orbit past escape
    PrecisePicture precise;    // where doubtful pixels are redone
    int redoDoubtful;          // whether they are (the double lanes only)
};

// Pixel x of the row whose first pixel's bytes are at out, in the map.
void recordEnd(const Picture& picture, const std::uint8_t* out, std::int32_t x, std::int32_t count, double zr,
               double zi, int escaped)
{
    const std::size_t p = std::size_t(out - picture.bits) / kBytesPerPixel + std::size_t(x);
    if (!escaped) return recordInside(*picture.map, p);
    const std::int32_t row = std::int32_t(p / std::size_t(picture.width));
    const double cr = picture.centerR + double(pixelOffset(x, picture.width, picture.step));
    const double ci = picture.centerI + double(pixelOffset(row, picture.height, picture.step));
    recordEscape(*picture.map, p, count, zr, zi, cr, ci);
}

template <class T>
struct Lane {
    T offsetR, offsetI;  // the pixel's offset from the centre
    T dr, di;            // its difference from the reference value
    T error;             // the rounding error it carries (see VectorLanes)
    std::int32_t m;      // the index of that reference value
    std::int32_t n;      // steps taken
    std::int32_t x;      // its column; -1 for a lane without a pixel
    std::int32_t row;
};

void putColor(std::uint8_t* out, std::int32_t x, const PixelColor& color)
{
    std::uint8_t* p = out + std::size_t(x) * kBytesPerPixel;
    p[0] = color.bytes[0];
    p[1] = color.bytes[1];
    p[2] = color.bytes[2];
}

// Writes the colour (and map entry) of pixel (x, row) from its end in the lanes, or, where the
// rounding error it carried makes that end doubtful, from its end in double-double; returns
// the count (out null: only the count).
std::int32_t endPixel(const Picture& picture, std::uint8_t* out, std::int32_t x, std::int32_t row, PixelEnd end,
                      double error)
{
    if (picture.redoDoubtful && error > kDoubtfulSquare) end = preciseEnd(picture.precise, x, row);
    const int escaped = end.count < picture.maxIterations;
    if (!out) return end.count;
    putColor(out, x, escaped ? picture.palette.entries[end.count & (kPaletteSize - 1)] : picture.insideColor);
    if (picture.map) recordEnd(picture, out, x, end.count, end.zr, end.zi, escaped);
    return end.count;
}

// One step of a lane; 1 when its pixel has ended (and is written, its count in n).
template <class T>
inline int stepLane(const Picture& picture, Lane<T>& lane, std::uint8_t* out)
{
    const double* z = picture.reference + 2 * std::size_t(lane.m);
    const T twoZdR = T(z[0]) + T(z[0]) + lane.dr;
    const T twoZdI = T(z[1]) + T(z[1]) + lane.di;
    const T dr = (twoZdR * lane.dr - twoZdI * lane.di) + lane.offsetR;
    const T di = (twoZdR * lane.di + twoZdI * lane.dr) + lane.offsetI;
    lane.m = lane.m + 1;
    const T zr = T(z[2]) + dr;
    const T zi = T(z[3]) + di;
    const T magnitude = zr * zr + zi * zi;
    const T difference = dr * dr + di * di;
    // As the vector lanes carry it, from the value the step squared.
    const T wasR = T(z[0]) + lane.dr, wasI = T(z[1]) + lane.di;
    const T was = wasR * wasR + wasI * wasI, wasDifference = lane.dr * lane.dr + lane.di * lane.di;
    lane.error = T(4) * was * (lane.error + wasDifference) + difference;
    if (magnitude > T(4) || lane.n + 1 == picture.maxIterations) {
        const int escaped = magnitude > T(4);
        const PixelEnd end = {escaped ? lane.n : lane.n + 1, escaped ? double(zr) : 0.0, escaped ? double(zi) : 0.0};
        lane.n = endPixel(picture, out, lane.x, lane.row, end, double(lane.error));
        return 1;
    }
    lane.n = lane.n + 1;
    if (magnitude < difference || lane.m == picture.lastIndex) {
        lane.dr = zr;
        lane.di = zi;
        lane.m = 0;
    } else {
        lane.dr = dr;
        lane.di = di;
    }
    return 0;
}

// Puts the next pixel of the row in the lane, or leaves it without one.
template <class T>
void fillLane(const Picture& picture, Lane<T>& lane, std::int32_t& nextX, std::int32_t row)
{
    lane.x = nextX < picture.width ? nextX++ : -1;
    lane.row = row;
    lane.offsetR = T(pixelOffset(lane.x, picture.width, picture.step));
    lane.offsetI = T(pixelOffset(row, picture.height, picture.step));
    lane.dr = T(0);
    lane.di = T(0);
    lane.error = T(0);
    lane.m = 0;
    lane.n = 0;
}

template <class T>
int renderRow(const Picture& picture, std::int32_t row)
{
    std::uint8_t* out = picture.bits + std::size_t(row) * picture.width * kBytesPerPixel;
    Lane<T> lanes[kLanes];
    std::int32_t nextX = 0;
    int busy = 0;
    for (Lane<T>& lane : lanes) {
        fillLane(picture, lane, nextX, row);
        busy += lane.x >= 0;
    }
    std::int64_t sinceCheck = 0;
    while (busy > 0) {
        for (Lane<T>& lane : lanes) {
            if (lane.x < 0 || !stepLane(picture, lane, out)) continue;
            fillLane(picture, lane, nextX, row);
            busy -= lane.x < 0;
        }
        if (++sinceCheck == kStopCheckSteps / kLanes) {
            if (picture.stop->load()) return 0;
            sinceCheck = 0;
        }
    }
    return 1;
}

// Gives lane k the next pixel of the row, or none (NaN differences, which raise no event).
void takePixel(const Picture& picture, VectorLanes& lanes, StepValues& last, int k, std::int32_t& nextX,
               std::int64_t clock)
{
    const int has = nextX < picture.width;
    lanes.x[k] = has ? nextX++ : -1;
    lanes.offsetR[k] = has ? double(pixelOffset(lanes.x[k], picture.width, picture.step)) : 0.0;
    lanes.dr[k] = has ? 0.0 : __builtin_nan("");
    lanes.di[k] = lanes.dr[k];
    lanes.error[k] = 0.0;
    last.magnitude[k] = 0.0;
    last.differenceMagnitude[k] = 0.0;
    lanes.start[k] = clock;
    lanes.mStart[k] = clock;
}

// After a run of steps ending at clock: ends, rebases or restarts the lanes whose turn it is,
// exactly as stepLane decides; returns the number of lanes still with a pixel.
int settleLanes(const Picture& picture, VectorLanes& lanes, StepValues& last, std::uint8_t* out,
                std::int32_t row, std::int32_t& nextX, std::int64_t clock)
{
    int busy = 0;
    for (int k = 0; k < kVectorLanes; ++k) {
        const std::int64_t n = clock - lanes.start[k];  // steps taken, the last one included
        if (lanes.x[k] >= 0 && last.magnitude[k] > 4.0) {
            endPixel(picture, out, lanes.x[k], row, PixelEnd{std::int32_t(n - 1), last.zr[k], last.zi[k]},
                     lanes.error[k]);
            takePixel(picture, lanes, last, k, nextX, clock);
        } else if (lanes.x[k] >= 0 && n == picture.maxIterations) {
            endPixel(picture, out, lanes.x[k], row, PixelEnd{std::int32_t(n), 0.0, 0.0}, lanes.error[k]);
            takePixel(picture, lanes, last, k, nextX, clock);
        } else if (last.magnitude[k] < last.differenceMagnitude[k] || clock - lanes.mStart[k] == picture.lastIndex) {
            lanes.dr[k] = last.zr[k];
            lanes.di[k] = last.zi[k];
            last.differenceMagnitude[k] = last.magnitude[k];
            lanes.mStart[k] = clock;
        }
        busy += lanes.x[k] >= 0;
    }
    return busy;
}

// The clock at which the next lane reaches the limit or the end of the reference.
std::int64_t nextBound(const Picture& picture, const VectorLanes& lanes)
{
    std::int64_t bound = INT64_MAX;
    for (int k = 0; k < kVectorLanes; ++k) {
        const std::int64_t end = lanes.mStart[k] + picture.lastIndex;
        const std::int64_t limit = lanes.x[k] >= 0 ? lanes.start[k] + picture.maxIterations : INT64_MAX;
        bound = end < bound ? end : bound;
        bound = limit < bound ? limit : bound;
    }
    return bound;
}

int renderDoubleRow(std::int32_t row, void* context)
{
    const Picture& picture = *static_cast<const Picture*>(context);
    std::uint8_t* out = picture.bits + std::size_t(row) * picture.width * kBytesPerPixel;
    const double offsetI = double(pixelOffset(row, picture.height, picture.step));
    VectorLanes lanes;
    StepValues last;
    std::int32_t nextX = 0;
    std::int64_t clock = 0;
    for (int k = 0; k < kVectorLanes; ++k) takePixel(picture, lanes, last, k, nextX, clock);
    std::int64_t stopCheck = kStopCheckSteps / kVectorLanes;
    for (int busy = 1; busy > 0;) {
        std::int64_t bound = nextBound(picture, lanes);
        if (stopCheck < bound) bound = stopCheck;
        clock = picture.runLanes(picture.reference, lanes, offsetI, clock, bound, last);
        if (clock == stopCheck) {
            if (picture.stop->load()) return 0;
            stopCheck = clock + kStopCheckSteps / kVectorLanes;
        }
        busy = settleLanes(picture, lanes, last, out, row, nextX, clock);
    }
    return 1;
}

// The count of pixel x of row r on the merged steps' path.
std::int32_t blaCountAt(const Picture& picture, std::int32_t x, std::int32_t r)
{
    if (picture.bla.wideTable) {
        return blaCountWide(picture.bla, pixelOffsetExp(x, picture.width, picture.wideStep),
                            pixelOffsetExp(r, picture.height, picture.wideStep));
    }
    double error = 0.0;
    const std::int32_t count = blaCount(picture.bla, double(pixelOffset(x, picture.width, picture.step)),
                                        double(pixelOffset(r, picture.height, picture.step)), &error);
    // Stopped pixels are not redone: the picture is left unfinished.
    if (count < 0 || !picture.redoDoubtful || !(error > kDoubtfulSquare)) return count;
    return preciseEnd(picture.precise, x, r).count;
}

int renderBlaRow(std::int32_t row, void* context)
{
    const Picture& picture = *static_cast<const Picture*>(context);
    std::uint8_t* out = picture.bits + std::size_t(row) * picture.width * kBytesPerPixel;
    for (std::int32_t x = 0; x < picture.width; ++x) {
        const std::int32_t n = blaCountAt(picture, x, row);
        if (n < 0) return 0;
        putColor(out, x, n < picture.maxIterations ? picture.palette.entries[n & (kPaletteSize - 1)] : picture.insideColor);
    }
    return 1;
}

int renderWideRow(std::int32_t row, void* context)
{
    // Windows starts threads with 53-bit x87 precision: long doubles need their 64 bits.
    setX87ControlWord(withX87Precision(x87ControlWord(), kX87Precision64));
    return renderRow<long double>(*static_cast<const Picture*>(context), row);
}

}  // namespace

long double pixelStep(const DeepView& view, std::int32_t width)
{
    const Magnification& m = view.magnification;
    return std::ldexp(6.0L / (static_cast<long double>(width) * m.mantissa), int(-m.exponent));
}

namespace {

int needsWideExponent(const DeepView& view)
{
    return magnificationLog2(view.magnification) > kWideExponentFromLog2;
}

void setUp(Picture& picture, const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
           std::int32_t height)
{
    picture.reference = orbit.values.get();
    picture.lastIndex = lastIndexFor(orbit, view.maxIterations);
    picture.maxIterations = view.maxIterations;
    picture.width = width;
    picture.height = height;
    picture.step = pixelStep(view, width);
    picture.wideStep = pixelStepExp(view, width);
    ViewParams colors = kInitialViewParams;
    for (int i = 0; i < 4; ++i) colors.colors[i] = view.colors[i];
    buildPalette(colors, picture.palette);
    picture.insideColor = pixelFromColorRef(view.colors[3]);
    picture.runLanes = rowKernelSupported(kRowKernelAvx2) ? runLanesAvx2 : runLanesSse2;
    picture.bla = BlaPicture{picture.reference, orbit.excess.get(), picture.lastIndex, picture.maxIterations, nullptr,
                             nullptr, kBlaRebaseRatio, kBlaInteriorCheck, 0, nullptr, nullptr, nullptr, 0, nullptr};
    picture.map = nullptr;
    picture.centerR = std::strtod(view.centerX.c_str(), nullptr);
    picture.centerI = std::strtod(view.centerY.c_str(), nullptr);
    picture.precise = precisePictureOf(view, orbit, width, height);
    picture.redoDoubtful = !needsWideExponent(view) && blaSettings().redoDoubtful;
}

template <class T>
std::int32_t countOf(const Picture& picture, std::int32_t x, std::int32_t r)
{
    Lane<T> lane;
    std::int32_t next = x;
    fillLane(picture, lane, next, r);
    while (!stepLane(picture, lane, nullptr)) {
    }
    return lane.n;
}

}  // namespace

int renderPerturbed(const DeepView& view, const ReferenceOrbit& orbit, const FrameBuffer& frame,
                    std::int32_t threads, const std::atomic<int>& stop, RowsReport report, void* context,
                    const IterationMap* map, WideLanes wide)
{
    Picture picture;
    setUp(picture, view, orbit, frame.width, frame.height);
    picture.map = map;
    picture.bits = frame.bits;
    picture.stop = &stop;
    picture.bla.stop = &stop;
    picture.precise.stop = &stop;
    BlaTable<double> table;
    BlaTable<FloatExp> wideTable;
    // Merged steps end a pixel without its last value, which the iteration data need: with a
    // map the pixels take the lanes (past the range of doubles, the x87 lanes, to 1e4900).
    const int wideExponent = needsWideExponent(view);
    if (!map && (wideExponent ? wide == kScaledLanes &&
                                    prepareWideBlaPath(view, orbit, frame.width, frame.height, wideTable, picture.bla)
                              : prepareBlaPath(view, orbit, frame.width, frame.height, table, picture.bla))) {
        return runRowWorkers(frame.height, threads, renderBlaRow, &picture, stop, report, context);
    }
    if (wideExponent && wide == kScaledLanes && !map) {
        ScaledPicture scaledPicture;
        setUpScaled(scaledPicture, view, orbit, frame.width, frame.height);
        scaledPicture.bits = frame.bits;
        scaledPicture.stop = &stop;
        return runRowWorkers(frame.height, threads, renderScaledRow, &scaledPicture, stop, report, context);
    }
    return runRowWorkers(frame.height, threads, wideExponent ? renderWideRow : renderDoubleRow, &picture, stop, report,
                         context);
}

std::int32_t perturbedCount(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width,
                            std::int32_t height, std::int32_t x, std::int32_t r, WideLanes wide)
{
    if (view.maxIterations <= 0) return 0;  // no step is taken
    if (needsWideExponent(view) && wide == kScaledLanes) {
        ScaledPicture picture;
        setUpScaled(picture, view, orbit, width, height);
        return scaledCount(picture, x, r);
    }
    Picture picture;
    setUp(picture, view, orbit, width, height);
    if (!needsWideExponent(view)) return countOf<double>(picture, x, r);
    const std::uint16_t word = x87ControlWord();
    setX87ControlWord(withX87Precision(word, kX87Precision64));
    const std::int32_t count = countOf<long double>(picture, x, r);
    setX87ControlWord(word);
    return count;
}
