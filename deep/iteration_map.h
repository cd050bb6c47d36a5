// A picture's iteration data: per pixel the escape count, and with continuous colour its
// fraction, produced by the renderers beside the picture's colours (for OpenEXR files, and for
// colouring by the continuous count).
//
// The continuous count comes from a larger escape radius, R = 2^8: an orbit that has left the
// radius 2 of the escape count goes on until |z| > R, and with k the steps taken then,
//   count = k - 3 - log2(log2|z| / 8),
// which grows continuously from pixel to pixel: past R, z(k+1) ~ z(k)^2, so log2|z| doubles
// with each step and the log-log term goes from 1 to 0 where k goes up by one. The radius 2^8
// makes the c in z^2 + c matter less than 1/65536 of |z|^2, so that the fraction is smooth to
// about that; the 3 takes off the steps from radius 2 to 2^8 (2^(2^3) = 2^8), so that the
// count's whole part is the escape count wherever the orbit squares cleanly.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "core/frame_buffer.h"
#include "core/view_params.h"
#include "deep/row_workers.h"

// The count of a pixel that did not escape within the limit.
constexpr std::uint32_t kNotEscaped = 0xFFFFFFFFu;

struct IterationMap {
    std::int32_t width;
    std::int32_t height;
    std::uint32_t* counts;  // per pixel, bottom row first: the escape count, or kNotEscaped
    float* fractions;       // null: escape counts only; else the continuous count's fraction,
                            // from 0 to below 1, with its whole part in counts
};

// The continuous count of an orbit of c that left the radius 2 at z(count + 1) = z: from 0 up.
double continuousCount(std::int32_t count, double zr, double zi, double cr, double ci);

// Records pixel p of map: escaped at count, z(count + 1) = z, for the point c.
void recordEscape(const IterationMap& map, std::size_t p, std::int32_t count, double zr, double zi, double cr,
                  double ci);
void recordInside(const IterationMap& map, std::size_t p);

// The continuous count of pixel p (whole part and fraction); negative for a pixel inside.
double mapCount(const IterationMap& map, std::size_t p);

// renderPicture's pixels and their iteration data: the same points and counts as the double
// kernels, computed by the plain loop; 1 when complete, 0 when stopped, kNoThread.
int renderMapWithDoubles(const ViewParams& params, const FrameBuffer& frame, const IterationMap& map,
                         std::int32_t threads, const std::atomic<int>& stop, RowsReport report, void* context);
