// A still picture with the options that only stills have: antialiasing by N x N samples a
// pixel, averaged, and the pixels' iteration data for an OpenEXR file.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/frame_buffer.h"
#include "deep/iteration_map.h"
#include "deep/deep_render.h"

// Renders view into frame with samples x samples samples a pixel: a picture samples times as
// wide and high (the same view, so that its pixels are samples times as fine), each block of
// it averaged into one pixel of frame; samples 1 is renderDeepView's picture. map (with
// samples 1 only; may be null) receives the pixels' iteration data. kDeepNoMemory also when
// the samples do not fit in memory.
DeepResult renderStill(const DeepView& view, const FrameBuffer& frame, std::int32_t samples, const IterationMap* map,
                       std::int32_t threads, const std::atomic<int>& stop, const ProgressObserver& observer);

// Averages the samples x samples blocks of fine (samples times frame's size) into frame,
// rounding to the nearest.
void averageSamples(const FrameBuffer& fine, std::int32_t samples, const FrameBuffer& frame);
