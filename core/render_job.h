// The escape-time renderer: one render job, advanced a bounded slice of work per call, or a
// whole row per call.
#pragma once

#include <cstdint>

#include "frame_buffer.h"
#include "palette.h"
#include "row_state.h"
#include "selection.h"
#include "view_params.h"

// Steps of the orbits that one slice may take: about 10 ms with the fastest kernel on the
// machines we measured (see bench/README.md), so the program answers within that.
constexpr std::int32_t kSliceSteps = 1000000;

struct RenderJob {
    std::int32_t active;         // non-zero while rows remain to be rendered
    std::int32_t rowsDone;       // rows finished in this render, from the bottom
    double stepX;                // real-axis distance between neighbouring columns
    double stepY;                // imaginary-axis distance between neighbouring rows
    double originX;              // real part of the leftmost column
    double rowY;                 // imaginary part of the row rendered next
    std::int32_t maxIterations;  // iteration limit of this render
    Palette palette;             // colour by escape count modulo 128
    PixelColor insideColor;      // colour of points that do not escape
    std::uint8_t* writePos;      // where the next pixel goes in the frame buffer
    std::int32_t kernel;         // the RowKernelId that computes the pixels of each row
    std::int32_t cycleChecks;    // non-zero: vector kernels end orbits that repeat exactly
    RowState row;                // the row being computed, between slices
    // A row's pixels wait here until it is complete, so that the frame only ever holds whole
    // rows: a paint or a saved bitmap never shows half a row, and Stop discards it.
    std::uint8_t rowPixels[kPictureWidth * kBytesPerPixel];
};

// Starts a render of params from the bottom row, also while one is running. The band of the
// selection no longer counts as drawn: the new rows paint over it.
void beginRender(const ViewParams& params, RenderJob& job, const FrameBuffer& frame,
                 Selection& selection);

// Works on the current row for at most `steps` steps of its orbits. When the row is complete,
// it goes into the frame buffer, the rows done so far are asked to be repainted, and the job
// ends after the top row; returns 1 then, 0 while the row goes on in the next call. Rows wider
// than rowPixels (never the program's) are computed in place. Call only while job.active is
// non-zero.
int renderSlice(RenderJob& job, const FrameBuffer& frame, std::int32_t steps);

// Renders the rest of the current row (the whole next row if none is started) straight into
// the frame buffer and finishes it as renderSlice does.
void renderRow(RenderJob& job, const FrameBuffer& frame);

// renderRow with the plain per-pixel loop, whatever job.kernel says: the reference that the
// faster kernels match byte for byte. Call only between rows.
void renderRowPlain(RenderJob& job, const FrameBuffer& frame);

// The escape count of c: the first n below maxIterations at which |z(n+1)|^2 > 4, or
// maxIterations when the orbit stays bounded that long.
std::int32_t escapeCount(double cr, double ci, std::int32_t maxIterations);
