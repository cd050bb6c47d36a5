// Rendering a view of any depth: the double kernels where doubles resolve the view, the
// perturbation renderer elsewhere. What tavelin-render uses, and what a series of pictures
// of one centre (a dive) builds on: compute the reference orbit once for the deepest
// magnification, then render every picture with it.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/frame_buffer.h"
#include "core/view_params.h"
#include "deep/deep_view.h"
#include "deep/progress.h"
#include "deep/reference_orbit.h"

struct IterationMap;

// Past this magnification doubles never resolve a picture well enough for the double kernels
// (measured: see bench/README.md); up to it they render where their rounding leaves the
// counts right (deep/double_accuracy.h), or wherever the view asks for the program's pixels.
constexpr double kPerturbationFromLog2 = 33.2;  // about 1e10

enum DeepResult { kDeepStopped = 0, kDeepRendered = 1, kDeepNoMemory = 2, kDeepNoThread = 3, kDeepBadCenter = 4 };

// The result of a render whose reference orbit ended with result.
DeepResult deepResultOf(OrbitResult result);

// The view as a parameter file holds it: the nearest doubles (magnification 0 or infinite
// where a double cannot hold it).
ViewParams paramsOf(const DeepView& view);

// Whether the double kernels render view at width x height: it lies within their depth, the
// columns and rows they accumulate (as the window program does) stay within a quarter of a
// pixel of the exact positions across the whole picture, and either the view asks for the
// program's pixels or the estimate of their rounding errors is within kDoubleErrorShare.
int rendersWithDoubles(const DeepView& view, std::int32_t width, std::int32_t height);

// Renders view into frame (any size, bottom row first) on `threads` threads, telling observer
// the rows done and the share of the work (the reference orbit's computation included).
// Chooses the double kernels or perturbation itself; perturbation uses orbit when it serves
// the view (see orbitServes; may be null) and computes one of its own otherwise. kDeepNoMemory
// when the reference orbit does not fit in memory; kDeepNoThread when not one thread could be
// started; kDeepBadCenter when the centre cannot be taken at the precision needed;
// kDeepStopped once stop is set. With map (of frame's size), the pixels' iteration data go
// there too; without, a view in continuous colour gets memory of its own for them.
DeepResult renderDeepView(const DeepView& view, const FrameBuffer& frame, std::int32_t threads,
                          const std::atomic<int>& stop, const ProgressObserver& observer,
                          const ReferenceOrbit* orbit, const IterationMap* map = nullptr);
