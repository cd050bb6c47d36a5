// How fast tavelin-render renders a deep view by perturbation, against the double kernels on a
// shallow view of about the same escape counts: 1920 x 1080, with one thread and one per core.
// Iterations per second count every pixel's escape count plus its escaping step (or the limit),
// as the plain loop would take them. See README.md.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bench/deep_places.h"
#include "core/render_job.h"
#include "deep/bla_path.h"
#include "deep/deep_render.h"
#include "files/view_fields.h"
#include "deep/perturbation_render.h"
#include "deep/picture_render.h"
#include "dive/dive_plan.h"
#include "dive/dive_renderer.h"

namespace {

constexpr std::int32_t kWidth = 1920, kHeight = 1080;

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void noRows(std::int32_t, void*) {}

double perturbedSteps(const DeepView& view, const ReferenceOrbit& orbit, std::int32_t width = kWidth,
                      std::int32_t height = kHeight)
{
    double steps = 0;
    for (std::int32_t r = 0; r < height; ++r) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t count = perturbedCount(view, orbit, width, height, x, r);
            steps += count < view.maxIterations ? count + 1 : count;
        }
    }
    return steps;
}

double plainSteps(const ViewParams& params)
{
    const double step = (6.0 / kWidth) / params.magnification;
    double steps = 0, ci = params.centerY - (kHeight / 2) * step;
    for (std::int32_t r = 0; r < kHeight; ++r, ci = ci + step) {
        double cr = params.centerX - (kWidth / 2) * step;
        for (std::int32_t x = 0; x < kWidth; ++x, cr = cr + step) {
            const std::int32_t count = escapeCount(cr, ci, params.maxIterations);
            steps += count < params.maxIterations ? count + 1 : count;
        }
    }
    return steps;
}

double processSeconds()
{
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// Renders view on one thread with the path chosen; the processor time it took.
double timedRender(const DeepView& view, const ReferenceOrbit& orbit, const FrameBuffer& frame, BlaChoice choice,
                   BlaSettings settings)
{
    const std::atomic<int> never{0};
    settings.choice = choice;
    setBlaSettings(settings);
    const double start = processSeconds();
    renderPerturbed(view, orbit, frame, 1, never, noRows, nullptr);
    return processSeconds() - start;
}

const char kMinibrot[] =
#include "tests/deep/deep_exponent_minibrot.inc"
    ;

// Today's lanes against the merged steps at the deep places, limits 10^5 and 10^6, on one
// thread: processor times, and the pixels whose colours differ between the two.
void mergedStepsTable(std::int32_t width, std::int32_t height, const BlaSettings& settings)
{
    std::vector<std::uint8_t> lanes(std::size_t(width) * height * 3), merged(lanes.size());
    const FrameBuffer a = {width, height, lanes.data()}, b = {width, height, merged.data()};
    std::printf("%ldx%ld, one thread, processor time\n\n| place | limit | orbit | lanes | merged steps | ratio | "
                "pixels that differ |\n|---|---:|---:|---:|---:|---:|---:|\n", long(width), long(height));
    std::vector<DeepPlace> places(std::begin(kDeepPlaces), std::end(kDeepPlaces));
    // The speed benchmark's view below, whose pixels escape after about 270 steps; past the
    // exponent range of doubles, the tests' place beside a period-1331 minibrot and c = i again.
    places.push_back({"c = i, 1e100", "0", "1", "1e100"});
    const char* minibrotY = std::strchr(kMinibrot, '\n') + 1;
    const std::string minibrotX(kMinibrot, minibrotY - 1);
    places.push_back({"period 1331, 2e1000", minibrotX.c_str(), minibrotY, "2e1000"});
    places.push_back({"c = i, 1e1000", "0", "1", "1e1000"});
    const char* only = std::getenv("DEEP_SPEED_PLACE");  // a part of the names of the places to take
    for (const DeepPlace& place : places) {
        if (only && !std::strstr(place.name, only)) continue;
        for (const std::int32_t limit : {10000, 100000, 1000000}) {
            DeepView view = deepViewOf(kInitialViewParams);
            std::string error;
            setDeepField(view, kCenterX, place.centerX, error);
            setDeepField(view, kCenterY, place.centerY, error);
            setDeepField(view, kMagnificationField, place.magnification, error);
            view.maxIterations = limit;
            ReferenceOrbit orbit;
            const std::atomic<int> never{0};
            const double start = processSeconds();
            computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr);
            const double orbitTime = processSeconds() - start;
            const double laneTime = timedRender(view, orbit, a, kBlaNever, settings);
            const double mergedTime = timedRender(view, orbit, b, kBlaAlways, settings);
            std::int32_t differ = 0;
            for (std::size_t i = 0; i < lanes.size(); i += 3) differ += std::memcmp(&lanes[i], &merged[i], 3) != 0;
            std::printf("| %s | %ld | %.2f s | %.2f s | %.3f s | %.0f | %ld |\n", place.name, long(limit), orbitTime,
                        laneTime, mergedTime, laneTime / mergedTime, long(differ));
            std::fflush(stdout);
        }
    }
    setBlaSettings(kBlaSettings);
}

// The same place, c = i, at depths past the exponent of doubles: the rescaled lanes against the
// x87 long doubles that rendered there before (to 1e4900), per step, on one thread, beside
// the double lanes at 1e100; a smaller picture, since the x87 lanes are slow.
void widePerStep(int count, char** depths)
{
    constexpr std::int32_t kWideWidth = 640, kWideHeight = 360;
    const std::atomic<int> never{0};
    BlaSettings lanesOnly = kBlaSettings;  // every step counted: no merged steps
    lanesOnly.choice = kBlaNever;
    setBlaSettings(lanesOnly);
    std::vector<std::uint8_t> pixels(std::size_t(kWideWidth) * kWideHeight * 3);
    const FrameBuffer frame = {kWideWidth, kWideHeight, pixels.data()};
    std::printf("\n| magnification | lanes | picture | steps | steps/s | against doubles at 1e100 |\n"
                "|---:|---|---:|---:|---:|---:|\n");
    double doubleRate = 0;
    const char* all[] = {"1e100", "1e300", "1e1000", "1e4000", "1e10000"};
    for (int d = 0; d < (count > 0 ? count : 5); ++d) {
        const char* depth = count > 0 ? depths[d] : all[d];
        DeepView view = deepViewOf(kInitialViewParams);
        std::string error;
        setDeepField(view, kCenterX, "0", error);
        setDeepField(view, kCenterY, "1", error);
        setDeepField(view, kMagnificationField, depth, error);
        view.maxIterations = 50000;
        ReferenceOrbit orbit;
        computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr);
        const double steps = perturbedSteps(view, orbit, kWideWidth, kWideHeight);
        const int wide = magnificationLog2(view.magnification) > kWideExponentFromLog2;
        const int x87 = magnificationLog2(view.magnification) < 4900 * 3.3219;
        for (WideLanes lanes : {kScaledLanes, kX87Lanes}) {
            if (lanes == kX87Lanes && (!wide || !x87)) continue;
            // The best of three runs where they are short: other work shares the machine.
            double best = HUGE_VAL;
            for (int run = 0; run < 3 && best > 5.0; ++run) {
                const auto start = std::chrono::steady_clock::now();
                renderPerturbed(view, orbit, frame, 1, never, noRows, nullptr, nullptr, lanes);
                best = std::min(best, seconds(start));
            }
            const double rate = steps / best;
            if (!wide) doubleRate = rate;
            std::printf("| %s | %s | %.2f s | %.3g | %.3g | %.0f %% |\n", depth,
                        !wide ? "doubles" : lanes == kX87Lanes ? "x87 long double" : "rescaled doubles",
                        steps / rate, steps, rate, 100 * rate / doubleRate);
            std::fflush(stdout);
        }
    }
}

// Where the merged steps pay: for views whose pixels escape sooner or later (c = i and the dive's
// centre at several depths, the deep places and their surroundings further out), the sampled
// mean steps that choose the path against both paths' processor time on one thread.
void choiceTable(std::int32_t width, std::int32_t height)
{
    struct Row { const char* name; const char* x; const char* y; const char* magnification; std::int32_t limit; };
    const char* diveY = "1.0000000000000000000000000000000000000000000000000037";
    std::vector<Row> rows = {{"c = i", "0", "1", "1e20", 20000},           {"c = i", "0", "1", "1e100", 100000},
                             {"dive", "1.3e-51", diveY, "1e12", 20000},    {"dive", "1.3e-51", diveY, "1e30", 20000},
                             {"dive", "1.3e-51", diveY, "1e50", 20000},
                             {"seahorse", "-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e20", 20000},
                             {"seahorse", "-0.743643887037158704752191506114774", "0.131825904205311970493132056385139", "1e20", 100000}};
    for (const DeepPlace& place : kDeepPlaces) {
        const double m = std::atof(place.magnification);
        for (const double out : {1e6, 1e3, 30.0, 1.0}) {
            static char texts[64][32];
            char* text = texts[rows.size() % 64];
            std::snprintf(text, 32, "%.3g", m / out);
            for (const std::int32_t limit : {2000, 10000, 100000}) rows.push_back({place.name, place.centerX, place.centerY, text, limit});
        }
    }
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 3);
    const FrameBuffer frame = {width, height, pixels.data()};
    std::printf("%ldx%ld, one thread, processor time\n\n| view | magnification | limit | sampled mean steps | sample | "
                "chosen | lanes | merged steps | lanes / merged |\n|---|---:|---:|---:|---:|---|---:|---:|---:|\n",
                long(width), long(height));
    for (const Row& row : rows) {
        DeepView view = deepViewOf(kInitialViewParams);
        std::string error;
        setDeepField(view, kCenterX, row.x, error);
        setDeepField(view, kCenterY, row.y, error);
        setDeepField(view, kMagnificationField, row.magnification, error);
        view.maxIterations = row.limit;
        ReferenceOrbit orbit;
        const std::atomic<int> never{0};
        computeReferenceOrbit(view, 0, orbit, never, nullptr, nullptr);
        const double start = processSeconds();
        const double mean = sampledMeanSteps(view, orbit, width, height);
        const double sample = processSeconds() - start;
        BlaTable<double> chosenTable;
        BlaPicture chosen = {};
        setBlaSettings(kBlaSettings);
        const int merged = prepareBlaPath(view, orbit, width, height, chosenTable, chosen);
        const double lanes = timedRender(view, orbit, frame, kBlaNever, kBlaSettings);
        const double table = timedRender(view, orbit, frame, kBlaAlways, kBlaSettings);
        std::printf("| %s | %s | %ld | %.0f | %.3f s | %s | %.3f s | %.3f s | %.2f |\n", row.name, row.magnification,
                    long(row.limit), mean, sample, merged ? "merged" : "lanes", lanes, table, lanes / table);
        std::fflush(stdout);
    }
    setBlaSettings(kBlaSettings);
}

// A dive to `to` (the 1e50 dive of bench/README.md, or a deep place) frame by frame on one
// thread, processor time: the frames the double kernels render, and the perturbation frames
// with the renderer's choice, the lanes and the merged steps; every `every`-th frame of
// `frames`, times summed per 10 powers of ten.
void diveFrames(std::int32_t width, std::int32_t height, std::int32_t frames, std::int32_t every, const DeepPlace& to)
{
    DeepView view = deepViewOf(kInitialViewParams);
    std::string error;
    setDeepField(view, kCenterX, to.centerX, error);
    setDeepField(view, kCenterY, to.centerY, error);
    setDeepField(view, kMagnificationField, to.magnification, error);
    view.maxIterations = 20000;
    const std::atomic<int> never{0};
    DiveRenderer renderer;
    double start = processSeconds();
    prepareDiveRenderer(renderer, view, diveViewLog2(view), 1, never, kNoObserver);
    std::printf("%ldx%ld, frames %ld, every %ld-th, one thread: reference orbit %.2f s (%ld values)\n\n"
                "| magnifications | frames | doubles | chosen | lanes | merged steps | pixels that differ |\n"
                "|---|---:|---:|---:|---:|---:|---:|\n",
                long(width), long(height), long(frames), long(every), processSeconds() - start,
                long(renderer.orbit.length));
    std::vector<std::uint8_t> pixels[3];
    FrameBuffer frames3[3];
    for (int c = 0; c < 3; ++c) {
        pixels[c].resize(std::size_t(width) * height * 3);
        frames3[c] = {width, height, pixels[c].data()};
    }
    long differ = 0;  // pixels whose colours differ between the lanes and the merged steps
    const DivePlan plan = planDive(0, diveViewLog2(view), frames);
    const BlaChoice choices[3] = {kBlaByCost, kBlaNever, kBlaAlways};
    double sum[4] = {0, 0, 0, 0}, total[4] = {0, 0, 0, 0};
    int counted = 0, decade = 0;
    for (std::int32_t f = 0; f < frames; f += every) {
        const double log2m = frameLog2(plan, f);
        const int doubles = rendersWithDoubles(withMagnificationLog2(view, log2m), width, height);
        for (int c = 0; c < (doubles ? 1 : 3); ++c) {
            BlaSettings settings = kBlaSettings;
            settings.choice = choices[c];
            setBlaSettings(settings);
            start = processSeconds();
            renderDivePicture(renderer, log2m, frames3[c], never, kNoObserver);
            sum[doubles ? 0 : c + 1] += processSeconds() - start;
        }
        for (std::size_t i = 0; !doubles && i < pixels[1].size(); i += 3) differ += std::memcmp(&pixels[1][i], &pixels[2][i], 3) != 0;
        ++counted;
        const int next = int((f + every < frames ? frameLog2(plan, f + every) : 1e9) / std::log2(10.0) / 10);
        if (next == decade) continue;
        std::printf("| 1e%d to 1e%d | %d | %.2f s | %.2f s | %.2f s | %.2f s | %ld |\n", decade * 10, decade * 10 + 10,
                    counted, sum[0], sum[1], sum[2], sum[3], differ);
        std::fflush(stdout);
        for (int i = 0; i < 4; ++i) total[i] += sum[i], sum[i] = 0;
        counted = 0;
        differ = 0;
        decade = next;
    }
    std::printf("| all, times %ld | | %.1f s | %.1f s | %.1f s | %.1f s |\n", long(every), total[0] * every,
                total[1] * every, total[2] * every, total[3] * every);
    setBlaSettings(kBlaSettings);
}

}  // namespace

int main(int argc, char** argv)
{
    // deep_speed merged [WIDTH HEIGHT [K RATIO INTERIOR]]: the merged steps against the lanes at
    // the deep places; tolerance 2^-K, rebase ratio and interior check other than the renderer's.
    if (argc > 1 && !std::strcmp(argv[1], "merged")) {
        BlaSettings settings = kBlaSettings;
        if (argc > 6) settings = {kBlaAlways, std::ldexp(1.0, -std::atoi(argv[4])), std::atof(argv[5]), std::atoi(argv[6]), 1};
        mergedStepsTable(argc > 3 ? std::atoi(argv[2]) : 160, argc > 3 ? std::atoi(argv[3]) : 120, settings);
        return 0;
    }
    // deep_speed choice [WIDTH HEIGHT]: the sampled mean steps against both paths' times.
    if (argc > 1 && !std::strcmp(argv[1], "choice")) {
        choiceTable(argc > 3 ? std::atoi(argv[2]) : 320, argc > 3 ? std::atoi(argv[3]) : 180);
        return 0;
    }
    // deep_speed dive [WIDTH HEIGHT FRAMES EVERY [PLACE]]: the 1e50 dive's frames (or a dive to
    // deep place 0, 1 or 2), path by path.
    if (argc > 1 && !std::strcmp(argv[1], "dive")) {
        const DeepPlace dive50 = {"1e50 dive", "1.3e-51", "1.0000000000000000000000000000000000000000000000000037", "1e50"};
        const int place = argc > 6 ? std::atoi(argv[6]) : -1;
        diveFrames(argc > 5 ? std::atoi(argv[2]) : 320, argc > 5 ? std::atoi(argv[3]) : 180,
                   argc > 5 ? std::atoi(argv[4]) : 600, argc > 5 ? std::atoi(argv[5]) : 10,
                   place >= 0 && place < 3 ? kDeepPlaces[place] : dive50);
        return 0;
    }
    if (argc > 1 && !std::strcmp(argv[1], "wide")) {
        widePerStep(argc - 2, argv + 2);  // the depths given, or all
        return 0;
    }
    const std::atomic<int> never{0};
    std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 3);
    const FrameBuffer frame = {kWidth, kHeight, pixels.data()};
    const std::int32_t cores = std::int32_t(std::thread::hardware_concurrency());

    DeepView deep = deepViewOf(kInitialViewParams);
    std::string error;
    // c = i, whose orbit is periodic: the reference orbit runs to the limit.
    setDeepField(deep, kCenterX, "0", error);
    setDeepField(deep, kCenterY, "1", error);
    setDeepField(deep, kMagnificationField, "1e100", error);
    deep.maxIterations = 100000;
    auto start = std::chrono::steady_clock::now();
    ReferenceOrbit orbit;
    computeReferenceOrbit(deep, 0, orbit, never, nullptr, nullptr);
    const double orbitSeconds = seconds(start);
    const double deepSteps = perturbedSteps(deep, orbit);
    std::printf("deep view 1e100, limit 100000: reference orbit %.3f s (%ld values, %ld bits), %.0f steps (%.1f a pixel)\n",
                orbitSeconds, long(orbit.length), long(orbit.precisionBits), deepSteps, deepSteps / kWidth / kHeight);

    ViewParams shallow = kInitialViewParams;
    shallow.centerX = argc > 3 ? std::atof(argv[1]) : -0.7453;
    shallow.centerY = argc > 3 ? std::atof(argv[2]) : 0.1127;
    shallow.magnification = argc > 3 ? std::atof(argv[3]) : 3000;
    shallow.maxIterations = 100000;
    const double shallowSteps = plainSteps(shallow);
    std::printf("shallow view (%.17g, %.17g) at %g: %.0f steps (%.1f a pixel)\n\n", shallow.centerX, shallow.centerY, shallow.magnification, shallowSteps, shallowSteps / kWidth / kHeight);

    std::printf("| view | threads | picture | orbit | steps/s | steps/s per thread |\n|---|---:|---:|---:|---:|---:|\n");
    for (std::int32_t threads : {1, cores}) {
        start = std::chrono::steady_clock::now();
        renderPerturbed(deep, orbit, frame, threads, never, noRows, nullptr);
        const double picture = seconds(start) + orbitSeconds;
        std::printf("| deep 1e100 | %ld | %.2f s | %.0f %% | %.2f x 10^9 | %.2f x 10^9 |\n", long(threads), picture,
                    100 * orbitSeconds / picture, deepSteps / picture * 1e-9, deepSteps / picture / threads * 1e-9);
        start = std::chrono::steady_clock::now();
        renderPicture(shallow, frame, threads, never, noRows, nullptr);
        const double flat = seconds(start);
        std::printf("| shallow | %ld | %.2f s | | %.2f x 10^9 | %.2f x 10^9 |\n", long(threads), flat,
                    shallowSteps / flat * 1e-9, shallowSteps / flat / threads * 1e-9);
        std::fflush(stdout);
    }
    return 0;
}
