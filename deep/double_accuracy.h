// How far the double kernels can be trusted for a view: an estimate of the share of pixels
// whose escape count they get wrong, so that the renderer takes them only where that share is
// small and perturbation elsewhere.
//
// The kernels round each pixel's c to a double and every step's z^2 + c, each by about 2^-53
// of the values' size; an error carried along the orbit grows by |2 z| a step. Where the
// carried error E at the orbit's escape (or at the limit) reaches about 1, the escape step is
// a matter of rounding. Measured against brute-force renders, every pixel that took a wrong
// count had E above 0.01, and about a fifth of those with E above 0.01 took a wrong count, or
// fewer (see bench/README.md). This is not a matter of depth alone:
// at the seahorse valley with limit 10,000 the kernels are wrong in 0.16 % of the pixels at
// magnification 1000, where orbits turn round a neutral cycle for thousands of steps.
#pragma once

#include <cstdint>

#include "deep/deep_view.h"

// The carried error above which a pixel counts as doubtful.
constexpr double kDoubtfulError = 0.01;

// The share of doubtful pixels among samples on a grid across the view at width x height (at
// most 32 x 24 of them).
double doubleErrorShare(const DeepView& view, std::int32_t width, std::int32_t height);

// Where the estimate is at most this, the double kernels render the view: one doubtful sample
// in 32 x 24 at most. Two (0.26 %) were too many at the seahorse place at 1e3 with limit
// 10,000, where the double kernels give 0.47 % of the pixels a wrong count.
constexpr double kDoubleErrorShare = 0.002;
