// The escape-time renderer: one render job, advanced one picture row per call.
#pragma once

#include <cstdint>

#include "frame_buffer.h"
#include "palette.h"
#include "selection.h"
#include "view_params.h"

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
};

// Starts a render of params from the bottom row, also while one is running. The band of the
// selection no longer counts as drawn: the new rows paint over it.
void beginRender(const ViewParams& params, RenderJob& job, const FrameBuffer& frame,
                 Selection& selection);

// Renders the next row into the frame buffer, asks for the rows done so far to be repainted,
// and ends the job after the top row. Call only while job.active is non-zero.
void renderRow(RenderJob& job, const FrameBuffer& frame);

// renderRow with the plain per-pixel loop, whatever job.kernel says: the reference that the
// faster kernels match byte for byte.
void renderRowPlain(RenderJob& job, const FrameBuffer& frame);

// The escape count of c: the first n below maxIterations at which |z(n+1)|^2 > 4, or
// maxIterations when the orbit stays bounded that long.
std::int32_t escapeCount(double cr, double ci, std::int32_t maxIterations);
