// Deep views against a brute-force render: every pixel iterated in MPFR at the precision its
// magnification needs, compared with what tavelin-render computes (the double kernels or
// perturbation, as it chooses) by palette entry. Also times the reference orbit in MPFR and in
// the renderer's Boost.Multiprecision, and shows where the double kernels stop agreeing. See
// README.md.
#include <mpfr.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <iterator>
#include <vector>

#include "bench/deep_places.h"
#include "core/palette.h"
#include "core/render_job.h"
#include "deep/bla_path.h"
#include "deep/deep_render.h"
#include "deep/double_accuracy.h"
#include "files/view_fields.h"
#include "deep/perturbation_render.h"

namespace {

// The size of the pictures compared (64 x 48 unless a table says otherwise).
std::int32_t pictureWidth = 64, pictureHeight = 48;

struct DeepBenchView {
    const char* name;
    const char* centerX;
    const char* centerY;
    const char* magnification;
    std::int32_t limit;
};

// Near the end of doubles on the real axis; then views at c = i, a point whose neighbourhood
// shows spirals and branches at every depth, a pixel or so off it so that no pixel falls on it.
const DeepBenchView kViews[] = {
    {"4e13", "-1.7497591451303665", "0", "4e13", 1000},
    {"1e20", "1.3e-21", "1.{20}37", "1e20", 1000},
    {"1e50", "1.3e-51", "1.{50}37", "1e50", 2000},
    {"1e100", "1.3e-101", "1.{100}37", "1e100", 3000},
    {"1e200", "1.3e-201", "1.{200}37", "1e200", 4000},
    {"1e300", "1.3e-301", "1.{300}37", "1e300", 5000},
    {"1e400", "1.3e-401", "1.{400}37", "1e400", 6000},
};

// A centre text with "{n}" for n zeros.
std::string expanded(const char* text)
{
    std::string result = text;
    const std::size_t open = result.find('{');
    if (open == result.npos) return result;
    const std::size_t close = result.find('}');
    const int zeros = std::atoi(result.c_str() + open + 1);
    return result.substr(0, open) + std::string(std::size_t(zeros), '0') + result.substr(close + 1);
}

// The escape count of c by the plain loop's rule, in MPFR of `bits` bits.
std::int32_t bruteCount(const mpfr_t cr, const mpfr_t ci, std::int32_t limit, mpfr_prec_t bits)
{
    mpfr_t zr, zi, zr2, zi2, t;
    mpfr_inits2(bits, zr, zi, zr2, zi2, t, (mpfr_ptr)0);
    mpfr_set_zero(zr, 1);
    mpfr_set_zero(zi, 1);
    std::int32_t j = 0;
    for (; j < limit; ++j) {
        mpfr_sqr(zr2, zr, MPFR_RNDN);
        mpfr_sqr(zi2, zi, MPFR_RNDN);
        mpfr_mul(t, zr, zi, MPFR_RNDN);
        mpfr_mul_2ui(t, t, 1, MPFR_RNDN);
        mpfr_add(zi, t, ci, MPFR_RNDN);
        mpfr_sub(zr, zr2, zi2, MPFR_RNDN);
        mpfr_add(zr, zr, cr, MPFR_RNDN);
        mpfr_sqr(zr2, zr, MPFR_RNDN);
        mpfr_sqr(zi2, zi, MPFR_RNDN);
        mpfr_add(t, zr2, zi2, MPFR_RNDN);
        if (mpfr_cmp_ui(t, 4) > 0) break;
    }
    mpfr_clears(zr, zi, zr2, zi2, t, (mpfr_ptr)0);
    return j;
}

// The palette entry of a count: 0-127, or 128 for the inside colour.
int entryOf(std::int32_t count, std::int32_t limit)
{
    return count < limit ? count & 127 : 128;
}

// The brute-force count of pixel (x, r) of the picture, at centre + offsets, exactly.
std::int32_t brutePixel(const DeepView& view, const char* magnification, mpfr_prec_t bits, std::int32_t x,
                        std::int32_t r)
{
    mpfr_t step, cr, ci;
    mpfr_inits2(bits, step, cr, ci, (mpfr_ptr)0);
    mpfr_set_str(step, magnification, 10, MPFR_RNDN);
    mpfr_mul_ui(step, step, pictureWidth, MPFR_RNDN);
    mpfr_ui_div(step, 6, step, MPFR_RNDN);
    mpfr_mul_si(cr, step, x - pictureWidth / 2, MPFR_RNDN);
    mpfr_mul_si(ci, step, r - pictureHeight / 2, MPFR_RNDN);
    mpfr_set_str(step, view.centerX.c_str(), 10, MPFR_RNDN);
    mpfr_add(cr, cr, step, MPFR_RNDN);
    mpfr_set_str(step, view.centerY.c_str(), 10, MPFR_RNDN);
    mpfr_add(ci, ci, step, MPFR_RNDN);
    const std::int32_t count = bruteCount(cr, ci, view.maxIterations, bits);
    mpfr_clears(step, cr, ci, (mpfr_ptr)0);
    return count;
}

// Brute-force counts of the whole picture.
std::vector<std::int32_t> bruteForce(const DeepView& view, const DeepBenchView& bench, mpfr_prec_t bits)
{
    std::vector<std::int32_t> counts;
    for (std::int32_t r = 0; r < pictureHeight; ++r) {
        for (std::int32_t x = 0; x < pictureWidth; ++x) counts.push_back(brutePixel(view, bench.magnification, bits, x, r));
    }
    return counts;
}

// The largest group of wrong pixels that touch each other (side by side or corner to corner).
int largestGroup(std::vector<int> wrong)
{
    int largest = 0;
    for (int start = 0; start < pictureWidth * pictureHeight; ++start) {
        if (!wrong[start]) continue;
        std::vector<int> todo = {start};
        wrong[start] = 0;
        int size = 0;
        while (!todo.empty()) {
            const int p = todo.back();
            todo.pop_back();
            ++size;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = p % pictureWidth + dx, y = p / pictureWidth + dy;
                    if (x < 0 || y < 0 || x >= pictureWidth || y >= pictureHeight || !wrong[y * pictureWidth + x]) continue;
                    wrong[y * pictureWidth + x] = 0;
                    todo.push_back(y * pictureWidth + x);
                }
            }
        }
        if (size > largest) largest = size;
    }
    return largest;
}

struct Agreement {
    int wrong;
    int largestGroup;
};

Agreement compare(const std::vector<int>& entries, const std::vector<std::int32_t>& truth, std::int32_t limit)
{
    std::vector<int> wrong(entries.size());
    int total = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        wrong[i] = entries[i] != entryOf(truth[i], limit);
        total += wrong[i];
    }
    return Agreement{total, largestGroup(wrong)};
}

std::vector<int> entriesOf(const std::vector<std::int32_t>& counts, std::int32_t limit)
{
    std::vector<int> entries;
    for (std::int32_t count : counts) entries.push_back(entryOf(count, limit));
    return entries;
}

// The palette entries of the picture that tavelin-render makes of view (the first entry of a
// pixel's colour; 128 for the inside colour).
std::vector<int> renderedEntries(const DeepView& view)
{
    std::vector<std::uint8_t> pixels(pictureWidth * pictureHeight * 3);
    const FrameBuffer frame = {pictureWidth, pictureHeight, pixels.data()};
    const std::atomic<int> never{0};
    renderDeepView(view, frame, 1, never, kNoObserver, nullptr);
    Palette palette;
    buildPalette(paramsOf(view), palette);
    const PixelColor inside = pixelFromColorRef(view.colors[3]);
    std::vector<int> entries;
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        int entry = -1;
        if (!std::memcmp(&pixels[i], inside.bytes, 3)) entry = 128;
        for (int e = 0; e < kPaletteSize && entry < 0; ++e) {
            if (!std::memcmp(&pixels[i], palette.entries[e].bytes, 3)) entry = e;
        }
        entries.push_back(entry);
    }
    return entries;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

DeepView viewOf(const DeepBenchView& bench)
{
    DeepView view = deepViewOf(kInitialViewParams);
    std::string error;
    setDeepField(view, kCenterX, expanded(bench.centerX).c_str(), error);
    setDeepField(view, kCenterY, expanded(bench.centerY).c_str(), error);
    setDeepField(view, kMagnificationField, bench.magnification, error);
    view.maxIterations = bench.limit;
    return view;
}

// The double kernels' counts with the program's accumulated columns and rows, and with each
// pixel's exact position rounded to doubles.
void doubleCounts(const DeepView& view, std::vector<std::int32_t>& accumulated, std::vector<std::int32_t>& exact)
{
    const ViewParams params = paramsOf(view);
    const double step = (6.0 / pictureWidth) / params.magnification;
    const long double exactStep = pixelStep(view, pictureWidth);
    const long double cx = std::strtold(view.centerX.c_str(), nullptr), cy = std::strtold(view.centerY.c_str(), nullptr);
    double ci = params.centerY - (pictureHeight / 2) * step;
    for (std::int32_t r = 0; r < pictureHeight; ++r) {
        double cr = params.centerX - (pictureWidth / 2) * step;
        for (std::int32_t x = 0; x < pictureWidth; ++x) {
            accumulated.push_back(escapeCount(cr, ci, view.maxIterations));
            exact.push_back(escapeCount(double(cx + pixelOffset(x, pictureWidth, exactStep)),
                                        double(cy + pixelOffset(r, pictureHeight, exactStep)), view.maxIterations));
            cr = cr + step;
        }
        ci = ci + step;
    }
}

void agreementTable()
{
    std::printf("| view | limit | bits | path | wrong pixels | largest group | agreement | brute force |\n"
                "|------|------:|-----:|------|-------------:|--------------:|----------:|------------:|\n");
    for (const DeepBenchView& bench : kViews) {
        const DeepView deep = viewOf(bench);
        const mpfr_prec_t bits = precisionBitsFor(magnificationLog2(deep.magnification)) + 64;
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::int32_t> truth = bruteForce(deep, bench, bits);
        const double bruteSeconds = seconds(start);
        std::vector<std::int32_t> accumulated, exact;
        doubleCounts(deep, accumulated, exact);
        const struct { const char* path; std::vector<int> entries; } paths[] = {
            {"tavelin-render", renderedEntries(deep)}, {"doubles, accumulated", entriesOf(accumulated, bench.limit)},
            {"doubles, exact", entriesOf(exact, bench.limit)}};
        for (const auto& path : paths) {
            if (path.path[0] == 'd' && magnificationLog2(deep.magnification) > 50) continue;
            const Agreement agreement = compare(path.entries, truth, deep.maxIterations);
            std::printf("| %s | %ld | %ld | %s | %d | %d | %.2f %% | %.1f s |\n", bench.name, long(bench.limit),
                        long(bits), path.path, agreement.wrong, agreement.largestGroup,
                        100.0 * (pictureWidth * pictureHeight - agreement.wrong) / (pictureWidth * pictureHeight), bruteSeconds);
        }
        std::fflush(stdout);
    }
}

// Views of the merged steps: the seven above with their limits, the same raised to 100 000, and
// the tip of the needle at -2, whose reference lands on the escape circle.
const DeepBenchView kBlaViews[] = {
    {"1e20", "1.3e-21", "1.{20}37", "1e20", 1000},       {"1e50", "1.3e-51", "1.{50}37", "1e50", 2000},
    {"1e100", "1.3e-101", "1.{100}37", "1e100", 3000},   {"1e200", "1.3e-201", "1.{200}37", "1e200", 4000},
    {"1e50", "1.3e-51", "1.{50}37", "1e50", 100000},     {"1e200", "1.3e-201", "1.{200}37", "1e200", 100000},
    {"needle 1e20", "-2", "0", "1e20", 1000},             {"needle 1e50", "-2", "0", "1e50", 1000},
};

double processSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Today's lanes and the merged steps side by side against brute force: the renderer's
// settings, then other tolerances, the rebase ratio 4 (rebase where |Z + z| < 2 |z|) and no
// interior check, or only the settings given.
void blaAgreement(const BlaSettings* given, const std::vector<DeepBenchView>& views)
{
    const BlaSettings variants[] = {
        {kBlaNever, kBlaTolerance, 1, 0, 1},       kBlaSettings,
        {kBlaAlways, 0x1p-16, 1, 1, 1},             {kBlaAlways, 0x1p-24, 1, 1, 1},
        {kBlaAlways, kBlaTolerance, 4, 1, 1},       {kBlaAlways, kBlaTolerance, 1, 0, 1},
    };
    std::printf("\n| view | limit | path | tolerance | rebase ratio | interior | wrong pixels | largest group | "
                "agreement | processor time |\n|---|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
    const char* only = std::getenv("DEEP_AGREEMENT_VIEW");  // a part of the names of the views to take
    for (const DeepBenchView& bench : views) {
        if (only && !std::strstr(bench.name, only)) continue;
        const DeepView deep = viewOf(bench);
        // Twice the bits: |z|^2 near the escape circle differs from 4 by the square of an offset.
        const mpfr_prec_t bits = precisionBitsFor(2 * magnificationLog2(deep.magnification)) + 64;
        const std::vector<std::int32_t> truth = bruteForce(deep, bench, bits);
        for (int v = 0; v < (given ? 2 : 6); ++v) {
            BlaSettings settings = v == 1 && given ? *given : variants[v];
            // The merged steps, whichever path tavelin-render would choose for the view.
            if (v == 1 && settings.choice == kBlaByCost) settings.choice = kBlaAlways;
            setBlaSettings(settings);
            const double start = processSeconds();
            const std::vector<int> entries = renderedEntries(deep);
            const double spent = processSeconds() - start;
            const Agreement agreement = compare(entries, truth, deep.maxIterations);
            std::printf("| %s | %ld | %s | 2^%d | %g | %s | %d | %d | %.2f %% | %.3f s |\n", bench.name,
                        long(bench.limit), settings.choice == kBlaNever ? "lanes" : "merged steps",
                        int(std::log2(settings.tolerance)), settings.rebaseRatio, settings.interiorCheck ? "yes" : "no",
                        agreement.wrong, agreement.largestGroup,
                        100.0 * (pictureWidth * pictureHeight - agreement.wrong) / (pictureWidth * pictureHeight), spent);
        }
        std::fflush(stdout);
    }
    setBlaSettings(kBlaSettings);
}

// Where the double kernels give way: the 4e13 view's centre at lower magnifications.
void doublesByDepth()
{
    std::printf("\n| magnification | wrong pixels, doubles accumulated | exact | perturbation |\n"
                "|--------------:|------:|------:|------:|\n");
    for (const char* magnification : {"1e9", "1e10", "1e11", "1e12", "1e13"}) {
        const DeepBenchView bench = {magnification, "-1.7497591451303665", "0", magnification, 1000};
        const DeepView deep = viewOf(bench);
        const std::vector<std::int32_t> truth = bruteForce(deep, bench, 256);
        ReferenceOrbit orbit;
        const std::atomic<int> never{0};
        computeReferenceOrbit(deep, 0, orbit, never, nullptr, nullptr);
        std::vector<std::int32_t> perturbed, accumulated, exact;
        for (std::int32_t r = 0; r < pictureHeight; ++r) {
            for (std::int32_t x = 0; x < pictureWidth; ++x) perturbed.push_back(perturbedCount(deep, orbit, pictureWidth, pictureHeight, x, r));
        }
        doubleCounts(deep, accumulated, exact);
        std::printf("| %s | %d | %d | %d |\n", magnification, compare(entriesOf(accumulated, 1000), truth, 1000).wrong,
                    compare(entriesOf(exact, 1000), truth, 1000).wrong, compare(entriesOf(perturbed, 1000), truth, 1000).wrong);
        std::fflush(stdout);
    }
}

// The reference orbit of 100 000 steps at the precision of 1e100 (a centre inside the set, so
// that the orbit runs to the limit) in the renderer's Boost.Multiprecision and in MPFR.
void orbitTimes()
{
    const DeepBenchView bench = {"1e100", "-0.1", "0.1", "1e100", 100000};
    const DeepView deep = viewOf(bench);
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    auto start = std::chrono::steady_clock::now();
    computeReferenceOrbit(deep, 0, orbit, never, nullptr, nullptr);
    const double boost = seconds(start);
    const mpfr_prec_t bits = orbit.precisionBits;
    mpfr_t cr, ci;
    mpfr_inits2(bits, cr, ci, (mpfr_ptr)0);
    mpfr_set_str(cr, bench.centerX, 10, MPFR_RNDN);
    mpfr_set_str(ci, bench.centerY, 10, MPFR_RNDN);
    start = std::chrono::steady_clock::now();
    const std::int32_t count = bruteCount(cr, ci, bench.limit, bits);
    const double mpfr = seconds(start);
    mpfr_clears(cr, ci, (mpfr_ptr)0);
    std::printf("\norbit of %ld values at %ld bits: Boost %.3f s, MPFR %.3f s (%.2f x 10^6 steps/s), count %ld\n",
                long(orbit.length), long(bits), boost, mpfr, bench.limit / mpfr * 1e-6, long(count));
}

// The seahorse place with limit 10,000 at 200 x 150: the double kernels (the program's pixels)
// and the path tavelin-render now chooses, without and with the doubtful pixels redone in
// double-double, against MPFR, and the processor time of both.
void seahorseTable()
{
    pictureWidth = 200;
    pictureHeight = 150;
    std::printf("\n| magnification | doubtful samples | path | wrong, doubles | group | wrong, chosen, not redone | "
                "group | wrong, chosen | group | time not redone | time redone | brute force |\n"
                "|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const char* magnification : {"1e3", "1e6", "1e7", "1e8", "1e9", "9e9"}) {
        const DeepBenchView bench = {magnification, "-0.743643887037151", "0.131825904205330", magnification, 10000};
        DeepView view = viewOf(bench);
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::int32_t> truth = bruteForce(view, bench, 128);
        const double bruteSeconds = seconds(start);
        const int doubles = rendersWithDoubles(view, pictureWidth, pictureHeight);
        BlaSettings settings = kBlaSettings;
        settings.redoDoubtful = 0;
        setBlaSettings(settings);
        double begin = processSeconds();
        const Agreement plain = compare(renderedEntries(view), truth, view.maxIterations);
        const double plainSeconds = processSeconds() - begin;
        setBlaSettings(kBlaSettings);
        begin = processSeconds();
        const Agreement chosen = compare(renderedEntries(view), truth, view.maxIterations);
        const double chosenSeconds = processSeconds() - begin;
        view.programPixels = 1;
        const Agreement program = compare(renderedEntries(view), truth, view.maxIterations);
        std::printf("| %s | %.2f %% | %s | %d | %d | %d | %d | %d | %d | %.3f s | %.3f s | %.0f s |\n", magnification,
                    100 * doubleErrorShare(view, pictureWidth, pictureHeight), doubles ? "doubles" : "perturbation",
                    program.wrong, program.largestGroup, plain.wrong, plain.largestGroup, chosen.wrong,
                    chosen.largestGroup, plainSeconds, chosenSeconds, bruteSeconds);
        std::fflush(stdout);
    }
    pictureWidth = 64;
    pictureHeight = 48;
}

const char kMinibrot[] =
#include "tests/deep/deep_exponent_minibrot.inc"
    ;

// Near the period-1331 minibrot at 2e1000 (the tests' view), 24 x 18 with limit 20,000 (or the
// limit and size given): the x87 lanes with the reference values stored as doubles, as before, the
// rescaled lanes with the tiny ones kept and the merged steps that tavelin-render takes, against
// MPFR.
void minibrotTable(std::int32_t limit, std::int32_t width, std::int32_t height)
{
    pictureWidth = width;
    pictureHeight = height;
    const char* y = std::strchr(kMinibrot, '\n') + 1;
    const std::string x(kMinibrot, y - 1);
    const DeepBenchView bench = {"2e1000", x.c_str(), y, "2e1000", limit};
    const DeepView view = viewOf(bench);
    const std::vector<std::int32_t> truth = bruteForce(view, bench, precisionBitsFor(magnificationLog2(view.magnification)) + 64);
    ReferenceOrbit orbit;
    const std::atomic<int> never{0};
    computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr);
    std::printf("\n| lanes | wrong of %d | largest group |\n|---|---:|---:|\n", pictureWidth * pictureHeight);
    for (WideLanes lanes : {kX87Lanes, kScaledLanes}) {
        std::vector<std::int32_t> counts;
        for (std::int32_t r = 0; r < pictureHeight; ++r) {
            for (std::int32_t c = 0; c < pictureWidth; ++c) counts.push_back(perturbedCount(view, orbit, pictureWidth, pictureHeight, c, r, lanes));
        }
        // The x87 lanes take the orbit's doubles, where |Z(1331)| is 0.
        const Agreement agreement = compare(entriesOf(counts, view.maxIterations), truth, view.maxIterations);
        std::printf("| %s | %d | %d |\n", lanes == kX87Lanes ? "x87, orbit in doubles" : "rescaled, tiny values kept",
                    agreement.wrong, agreement.largestGroup);
    }
    const Agreement merged = compare(renderedEntries(view), truth, view.maxIterations);
    std::printf("| merged steps (tavelin-render) | %d | %d |\n", merged.wrong, merged.largestGroup);
    pictureWidth = 64;
    pictureHeight = 48;
}

// The MPFR counts of the pixels of the tests' picture at 1e10000 (16 x 12, limit 30,000).
void pixelsAt1e10000()
{
    pictureWidth = 16;
    pictureHeight = 12;
    const std::string ones = "1." + std::string(10000, '0') + "37";
    const DeepBenchView bench = {"1e10000", "1.3e-10001", ones.c_str(), "1e10000", 30000};
    const DeepView view = viewOf(bench);
    const mpfr_prec_t bits = precisionBitsFor(magnificationLog2(view.magnification)) + 64;
    const int pixels[][2] = {{9, 0}, {10, 0}, {12, 0}, {15, 0}, {6, 1}, {9, 1}, {10, 1}, {15, 1}, {7, 4}, {8, 4}, {11, 4}, {0, 11}};
    for (const auto& p : pixels) {
        std::printf("    {%d, %d, %ld},\n", p[0], p[1], long(brutePixel(view, bench.magnification, bits, p[0], p[1])));
        std::fflush(stdout);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const char* tables = argc > 1 ? argv[1] : "adosm";
    if (std::strchr(tables, 's')) seahorseTable();
    // m [LIMIT [WIDTH HEIGHT]]
    if (std::strchr(tables, 'm')) {
        minibrotTable(argc >= 3 ? std::atoi(argv[2]) : 20000, argc >= 5 ? std::atoi(argv[3]) : 24,
                      argc >= 5 ? std::atoi(argv[4]) : 18);
    }
    if (std::strchr(tables, 'p')) pixelsAt1e10000();
    if (std::strchr(tables, 'a')) agreementTable();
    if (std::strchr(tables, 'd')) doublesByDepth();
    if (std::strchr(tables, 'o')) orbitTimes();
    // b: the merged steps against the lanes, in several settings; after it K RATIO INTERIOR for
    // only a tolerance of 2^-K, a rebase ratio and the interior check.
    const BlaSettings settings = {kBlaAlways, argc > 4 ? std::ldexp(1.0, -std::atoi(argv[2])) : 0.0,
                                  argc > 4 ? std::atof(argv[3]) : 0.0, argc > 4 ? std::atoi(argv[4]) : 0, 1};
    std::vector<DeepBenchView> views(std::begin(kBlaViews), std::end(kBlaViews));
    // The speed benchmark's deep places, at a limit the brute force takes in minutes.
    for (const DeepPlace& place : kDeepPlaces) views.push_back({place.name, place.centerX, place.centerY, place.magnification, 20000});
    if (std::strchr(tables, 'b')) blaAgreement(argc > 4 ? &settings : nullptr, views);
    // w: past the exponent range of doubles, the rescaled lanes and the merged steps.
    if (std::strchr(tables, 'w')) blaAgreement(&kBlaSettings, {{"1e400", "1.3e-401", "1.{400}37", "1e400", 100000}});
    return 0;
}
