// The fields of a view as people type them, on the command line and in view text files: each
// has a name and a text, read strictly and written back so that it reads the same.
#pragma once

#include <string>

#include "deep/deep_view.h"

enum DeepField { kCenterX, kCenterY, kMagnificationField, kLimit, kColors, kDeepFieldCount };
extern const char* const kDeepFieldNames[kDeepFieldCount];  // "center-x", ..., "colors"

// Sets one field from its text: centre texts must be decimal numbers, the magnification a
// non-zero one up to 1e10000 in size, the limit a whole number from 0 (no step: every
// pixel inside) to 2^31 - 1, the colours
// three or four 0xRRGGBB values separated by commas. 1 on success; 0 with a one-line reason
// and the view unchanged.
int setDeepField(DeepView& view, DeepField field, const char* text, std::string& reason);

// The text of one field of view, as setDeepField reads it back.
std::string deepFieldText(const DeepView& view, DeepField field);

// Reads one view-text field of a colouring: "smooth" (on or off), "palette-density" (a number
// above 0 up to 1000) or "palette-phase" (from 0 to 1). 1 when name is one of them and the
// value is good; 0 with a reason for a bad value, or with reason empty when name is none of
// them.
int setColouringField(Colouring& colouring, const char* name, const char* value, std::string& reason);
