// The loop of runLanesSse2 and runLanesAvx2, written once for a lane type L; each source
// includes it after its `#pragma GCC target`, and everything here has internal linkage (see
// core/row_kernel_loop.h for why). L provides Vec (kLanes doubles), load, store, splat, add,
// sub, mul, the bits of greater-than and less-than, and parts(), which turns the (real,
// imaginary) pairs at kLanes addresses into a vector of real and one of imaginary parts.
#pragma once

#include "deep/perturbation_lanes.h"

namespace {

template <class L>
std::int64_t runLanesWith(const double* reference, VectorLanes& lanes, double offsetI, std::int64_t clock,
                          std::int64_t bound, StepValues& last)
{
    using Vec = typename L::Vec;
    constexpr int kVectors = kVectorLanes / L::kLanes;
    Vec dr[kVectors], di[kVectors], offsetR[kVectors], error[kVectors], zr[kVectors], zi[kVectors],
        magnitude[kVectors], difference[kVectors];
    for (int v = 0; v < kVectors; ++v) {
        dr[v] = L::load(lanes.dr + v * L::kLanes);
        di[v] = L::load(lanes.di + v * L::kLanes);
        offsetR[v] = L::load(lanes.offsetR + v * L::kLanes);
        error[v] = L::load(lanes.error + v * L::kLanes);
        magnitude[v] = L::load(last.magnitude + v * L::kLanes);
        difference[v] = L::load(last.differenceMagnitude + v * L::kLanes);
    }
    const Vec four = L::splat(4.0), ci = L::splat(offsetI);
    std::uint32_t events = 0;
    do {
#pragma GCC unroll 8
        for (int v = 0; v < kVectors; ++v) {
            const double* at[L::kLanes];
#pragma GCC unroll 8
            for (int k = 0; k < L::kLanes; ++k) at[k] = reference + 2 * (clock - lanes.mStart[v * L::kLanes + k]);
            Vec r0, i0, r1, i1;
            L::parts(at, 0, r0, i0);
            L::parts(at, 2, r1, i1);
            // The same operations in the same order as the scalar step, so the same numbers.
            const Vec twoZdR = L::add(L::add(r0, r0), dr[v]);
            const Vec twoZdI = L::add(L::add(i0, i0), di[v]);
            const Vec nextR = L::add(L::sub(L::mul(twoZdR, dr[v]), L::mul(twoZdI, di[v])), offsetR[v]);
            const Vec nextI = L::add(L::add(L::mul(twoZdR, di[v]), L::mul(twoZdI, dr[v])), ci);
            // The error carried into this step grows by |2 z|^2, z the value it squares.
            const Vec carried = L::mul(L::mul(four, magnitude[v]), L::add(error[v], difference[v]));
            dr[v] = nextR;
            di[v] = nextI;
            zr[v] = L::add(r1, nextR);
            zi[v] = L::add(i1, nextI);
            magnitude[v] = L::add(L::mul(zr[v], zr[v]), L::mul(zi[v], zi[v]));
            difference[v] = L::add(L::mul(nextR, nextR), L::mul(nextI, nextI));
            error[v] = L::add(carried, difference[v]);
            events |= L::greaterBits(magnitude[v], four) | L::lessBits(magnitude[v], difference[v]);
        }
        ++clock;
    } while (!events && clock < bound);
    for (int v = 0; v < kVectors; ++v) {
        const int k = v * L::kLanes;
        L::store(lanes.dr + k, dr[v]);
        L::store(lanes.di + k, di[v]);
        L::store(lanes.error + k, error[v]);
        L::store(last.zr + k, zr[v]);
        L::store(last.zi + k, zi[v]);
        L::store(last.magnitude + k, magnitude[v]);
        L::store(last.differenceMagnitude + k, difference[v]);
    }
    return clock;
}

}  // namespace
