// A dive's time and its split (keyframes, reading them back, resampling, encoding), as the
// tool reports it, for a dive down to a view of the seahorse valley at 1280 x 720, 30 fps,
// limit 20000; then the last two octaves of it resampled and rendered exactly, for the ratio.
// Runs in a new folder of the temporary folder; a video needs ffmpeg on PATH.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/param_file.h"
#include "core/platform.h"
#include "render_cli/render_tool.h"

namespace {

double runDive(std::vector<std::string> args)
{
    args.insert(args.begin(), "tavelin-render");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(&arg[0]);
    const std::atomic<int> interrupted{0};
    std::fprintf(stderr, "\n$");
    for (const std::string& arg : args) std::fprintf(stderr, " %s", arg.c_str());
    std::fprintf(stderr, "\n");
    const auto start = std::chrono::steady_clock::now();
    if (runRenderTool(int(argv.size()), argv.data(), interrupted) != 0) std::exit(1);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The process's largest resident size so far in MiB, where the system tells it (Linux).
double peakMemoryMiB()
{
    std::FILE* status = std::fopen("/proc/self/status", "r");
    char line[256];
    long kib = 0;
    while (status && std::fgets(line, sizeof line, status)) {
        if (!std::strncmp(line, "VmHWM:", 6)) kib = std::atol(line + 6);
    }
    if (status) std::fclose(status);
    return kib / 1024.0;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* seconds = argc > 1 ? argv[1] : "4";
    const char* output = argc > 2 ? argv[2] : "mp4";
    const char* temp = std::getenv("TMPDIR");
    const std::string folder = std::string(temp ? temp : "/tmp") + "/tavelin-dive-bench";
    std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "'").c_str());
    const std::string view = folder + "/seahorse.vwp";
    ViewParams params = kInitialViewParams;
    params.centerX = -0.743643887037151;
    params.centerY = 0.131825904205330;
    params.magnification = 1e6;
    params.maxIterations = 20000;
    if (!writeParamFile(nullptr, view.c_str(), params)) return 1;
    const std::vector<std::string> dive = {view, "--size", "1280x720", "--fps", "30"};
    std::vector<std::string> whole = dive, resampled = dive, exact = dive;
    whole.insert(whole.end(), {"--dive", seconds, "-o", folder + "/whole." + output});
    // The last two octaves with as many frames per octave as the whole dive has.
    const double octaveFrames = std::atof(seconds) * 30 / 19.93;
    const std::string segment = std::to_string(2 * octaveFrames / 30);
    resampled.insert(resampled.end(),
                     {"--dive", segment, "--from-magnification", "250000", "-o", folder + "/segment." + output});
    exact.insert(exact.end(), {"--dive", segment, "--from-magnification", "250000", "--exact-frames", "-o",
                               folder + "/exact." + output});
    const double wholeTime = runDive(whole);
    std::printf("whole dive: %.1f s, peak memory %.0f MiB\n", wholeTime, peakMemoryMiB());
    const double resampledTime = runDive(resampled), exactTime = runDive(exact);
    std::printf("last two octaves: resampled %.1f s, exact frames %.1f s (x %.2f)\n", resampledTime, exactTime,
                exactTime / resampledTime);
    std::system(("rm -rf '" + folder + "'").c_str());
}
