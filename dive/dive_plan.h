// The motion of a dive: which magnification each video frame shows, and which keyframes make
// it. Magnifications are held as their base-2 logarithms, so that any depth fits a double.
#pragma once

#include <cstdint>

struct DivePlan {
    double fromLog2;          // log2 of the first frame's magnification
    double toLog2;            // log2 of the last frame's: the view's own
    std::int32_t frames;      // video frames, at least 2
    std::int32_t keyframes;   // keyframe k shows magnification 2^(fromLog2 + k), k < keyframes
};

// The most keyframes and frames a dive may have: far beyond any real video, small enough that
// counts and file numbers stay well inside 32 bits.
constexpr std::int32_t kMaxDiveFrames = 10000000;

// The plan of a dive over `frames` frames from magnification 2^fromLog2 to 2^toLog2 (not
// below the start). The keyframes reach the first power-of-two step at or beyond the view, so
// that every frame lies between two of them.
DivePlan planDive(double fromLog2, double toLog2, std::int32_t frames);

// log2 of frame i's magnification: the same factor from each frame to the next, the first
// frame at the start and the last one at the view.
double frameLog2(const DivePlan& plan, std::int32_t frame);

// The keyframe just outside frame i (at or below its magnification), and how far frame i lies
// beyond it, in powers of two from 0 to below 1 (to 1 at the last keyframe).
std::int32_t outerKeyframe(const DivePlan& plan, std::int32_t frame);
double depthBeyondKeyframe(const DivePlan& plan, std::int32_t frame);

inline double keyframeLog2(const DivePlan& plan, std::int32_t keyframe)
{
    return plan.fromLog2 + keyframe;
}
