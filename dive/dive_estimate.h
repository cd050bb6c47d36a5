// The time a dive has left, from what its parts cost as it goes: the latest keyframe rendered
// (deeper keyframes cost more, so the latest is the nearest guess for the next), the average
// frame made so far (reading, resampling or rendering, and encoding), and, before any frame is
// made, a guess timed before the work (a resampled frame costs the same at any depth, unlike
// a keyframe: a share of a keyframe's cost was off 18x in a dive to 1e12).
#pragma once

#include <cstdint>

struct DiveCosts {
    double keyframeSeconds;          // the latest keyframe rendered, or 0
    std::int32_t keyframesRendered;
    double frameSeconds;             // all frames made so far
    std::int32_t framesMade;
    double frameGuess;               // seconds of a frame until frames are measured; -1: none
};

// The picture under way: a keyframe, an exact frame, or none, its share done and its seconds.
enum class PictureKind { none, keyframe, frame };
struct PictureUnderWay {
    PictureKind kind;
    double done;
    double seconds;
};

// Seconds left for keyframesLeft keyframes and framesLeft frames (the picture under way
// counted among them); -1 while nothing has been measured to estimate from.
double diveSecondsLeft(const DiveCosts& costs, std::int32_t keyframesLeft, std::int32_t framesLeft,
                       const PictureUnderWay& picture);
