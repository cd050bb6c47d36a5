// Location files of Kalles Fraktaler 2+ (.kfr), the deep-zoom world's way of passing a place
// around: text lines "Key: value", of which a view takes Re and Im (the centre), Zoom and
// Iterations (the limit); every other key is left to the programs that know it.
//
// Kalles Fraktaler's zoom Z means that the picture's height spans 4 / Z; a tavelin
// magnification M means that its width spans 6 / M. With square pixels in a W x H picture
// the height spans 6 H / (W M), so M = 1.5 Z H / W (at 640 x 480, M = 1.125 Z).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "deep/deep_view.h"

// Whether path names a location file (it ends in .kfr, in any case).
int isLocationFileName(const char* path);

// The view of a location text for a width x height picture, over view's colours. 1 on
// success; 0 with a one-line reason (naming the line or the key) and view unchanged:
// bytes that are not text, a line without a colon, a missing Re, Im, Zoom or Iterations, or a
// value that is no number of its kind.
int parseLocationText(const char* text, std::size_t size, std::int32_t width, std::int32_t height, DeepView& view,
                      std::string& reason);

// The location text of view as seen in a width x height picture.
std::string locationText(const DeepView& view, std::int32_t width, std::int32_t height);

// Reads path as a location file for a width x height picture. 1 on success; 0 with a
// one-line message.
int readLocationFile(const char* path, std::int32_t width, std::int32_t height, DeepView& view, std::string& message);

// Writes the location text of view to path by the safe save; 1 on success, 0 with a message.
int writeLocationFile(const char* path, const DeepView& view, std::int32_t width, std::int32_t height,
                      std::string& message);
