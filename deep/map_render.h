// Pictures with their iteration data: the counts (and continuous counts) of every pixel kept
// beside the colours, and continuous colour made from them.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/frame_buffer.h"
#include "deep/iteration_map.h"
#include "deep/deep_render.h"

// Renders view into frame and its iteration data into map (frame's size; fractions needed for
// a view in continuous colour), and colours frame continuously when view's colouring says so.
DeepResult renderViewAndMap(const DeepView& view, const FrameBuffer& frame, const IterationMap& map,
                            std::int32_t threads, const std::atomic<int>& stop, const ProgressObserver& observer,
                            const ReferenceOrbit* orbit);

// renderDeepView in continuous colour: the iteration data in memory of its own (kDeepNoMemory
// when there is none), then the colours from them.
DeepResult renderContinuousColour(const DeepView& view, const FrameBuffer& frame, std::int32_t threads,
                                  const std::atomic<int>& stop, const ProgressObserver& observer,
                                  const ReferenceOrbit* orbit);

// Colours frame from map by view's colouring (continuous) and colours.
void colourContinuously(const DeepView& view, const IterationMap& map, const FrameBuffer& frame);
