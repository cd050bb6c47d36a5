// The loop of runScaledSse2 and runScaledAvx2, written once for a lane type L (as in
// deep/perturbation_lanes_loop.h, whose lane types it shares); internal linkage only.
#pragma once

#include "deep/scaled_lanes.h"

namespace {

template <class L>
std::int64_t runScaledWith(const double* reference, ScaledLanes& lanes, std::int64_t clock, std::int64_t bound,
                           StepValues& last)
{
    using Vec = typename L::Vec;
    constexpr int kVectors = kVectorLanes / L::kLanes;
    Vec wr[kVectors], wi[kVectors], ur[kVectors], ui[kVectors], s[kVectors], zr[kVectors], zi[kVectors],
        magnitude[kVectors], difference[kVectors];
    for (int v = 0; v < kVectors; ++v) {
        wr[v] = L::load(lanes.wr + v * L::kLanes);
        wi[v] = L::load(lanes.wi + v * L::kLanes);
        ur[v] = L::load(lanes.ur + v * L::kLanes);
        ui[v] = L::load(lanes.ui + v * L::kLanes);
        s[v] = L::load(lanes.s + v * L::kLanes);
    }
    const Vec four = L::splat(4.0);
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
            // With s = 1 the same operations in the same order as the double lanes.
            const Vec twoZdR = L::add(L::add(r0, r0), L::mul(s[v], wr[v]));
            const Vec twoZdI = L::add(L::add(i0, i0), L::mul(s[v], wi[v]));
            const Vec nextR = L::add(L::sub(L::mul(twoZdR, wr[v]), L::mul(twoZdI, wi[v])), ur[v]);
            const Vec nextI = L::add(L::add(L::mul(twoZdR, wi[v]), L::mul(twoZdI, wr[v])), ui[v]);
            wr[v] = nextR;
            wi[v] = nextI;
            const Vec dr = L::mul(s[v], nextR), di = L::mul(s[v], nextI);
            zr[v] = L::add(r1, dr);
            zi[v] = L::add(i1, di);
            magnitude[v] = L::add(L::mul(zr[v], zr[v]), L::mul(zi[v], zi[v]));
            difference[v] = L::add(L::mul(dr, dr), L::mul(di, di));
            const Vec size = L::add(L::mul(nextR, nextR), L::mul(nextI, nextI));
            events |= L::greaterBits(magnitude[v], four) | L::lessBits(magnitude[v], difference[v]) |
                      L::greaterBits(size, L::load(lanes.high + v * L::kLanes)) |
                      L::lessBits(size, L::load(lanes.low + v * L::kLanes));
        }
        ++clock;
    } while (!events && clock < bound);
    for (int v = 0; v < kVectors; ++v) {
        const int k = v * L::kLanes;
        L::store(lanes.wr + k, wr[v]);
        L::store(lanes.wi + k, wi[v]);
        L::store(last.zr + k, zr[v]);
        L::store(last.zi + k, zi[v]);
        L::store(last.magnitude + k, magnitude[v]);
        L::store(last.differenceMagnitude + k, difference[v]);
    }
    return clock;
}

}  // namespace
