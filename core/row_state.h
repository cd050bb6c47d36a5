// The state of a picture row while a vector kernel computes it: the lanes with their orbits and
// clocks, the pixels waiting for a lane, and the part of the row not yet started. It lives in
// the render job, so that a row can be cut after any step and continued in a later call
// exactly where it stopped.
#pragma once

#include <cstdint>

struct RenderJob;

// Lanes in flight at most: vectors x lanes of the widest kernel (24 for AVX-512 on x86-64).
constexpr int kMaxSlots = 32;

// A pixel that outlived the quick pass, with its orbit value after `steps` steps.
struct WaitingPixel {
    std::int32_t x;
    std::int32_t steps;
    double cr;
    double zr;
    double zi;
};

struct RowState {
    // Per slot (vector * lanes + lane), loaded into vectors for a run of steps. savedR/savedI
    // hold the orbit value of the last save, NaN before the first one (NaN equals nothing).
    // The clock counts the steps of the lane loop; start is the clock value at which a slot's
    // orbit would have been at z0, so that its step count is clock - start.
    alignas(64) double zr[kMaxSlots];
    alignas(64) double zi[kMaxSlots];
    alignas(64) double cr[kMaxSlots];
    alignas(64) double savedR[kMaxSlots];
    alignas(64) double savedI[kMaxSlots];
    alignas(64) double start[kMaxSlots];
    alignas(64) double saveAt[kMaxSlots];  // the clock value from which the next save is due
    double limitAt[kMaxSlots];             // the clock value at which the iteration limit is reached
    std::int32_t pixel[kMaxSlots];         // -1 while the lane has no pixel
    std::uint32_t busy[kMaxSlots];         // per vector, the lanes that have a pixel
    std::int32_t ended;                    // lanes that lost their pixel since the last refill
    std::int32_t idleSteps;                // steps those lanes have waited, summed
    double clock;
    std::int32_t tickPhase;                // clock modulo the save interval
    double firstLimitAt;                   // the least limitAt of the busy slots, infinity if none

    // The survivors of the latest quick pass, waiting for lanes.
    WaitingPixel waiting[kMaxSlots];
    std::int32_t waitingCount;
    std::int32_t waitingTaken;

    // The pixels of the row not yet through the quick pass: from nextPixel, whose real part is
    // nextCr (accumulated exactly as the plain loop does it); those of the current segment end
    // at segmentEnd.
    const RenderJob* job;  // set by each call: a copied job works on its own row
    std::uint8_t* out;     // where the row's pixels go
    std::int32_t nextPixel;
    std::int32_t segmentEnd;
    double nextCr;
    double ci;
    std::int32_t started;        // a row is in progress
    std::int32_t segmentActive;  // the lanes of the current segment are running
    std::int32_t stepsLeft;      // what the current call may still spend
};
