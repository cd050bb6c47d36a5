#!/usr/bin/env python3
"""Finds a minibrot near a point, for the deep places of the benchmarks.

find_minibrot.py X Y RADIUS [MAXPERIOD] prints the period of the ball of RADIUS around X + iY
(the first n at which the orbit's ball, to first order |z_n| < |dz_n/dc| RADIUS, holds 0), the
nucleus by Newton's method on z_p(c) = 0, the minibrot's size 1/|beta lambda^2|, and a view of it
for bench/deep_places.h: the centre a quarter of the size off the nucleus, towards the
minibrot's own +i (inside its cardioid, so the reference runs to the limit), the picture
(6 / magnification wide) four sizes across.
"""
import sys
from mpmath import mp, mpf, mpc, fabs, nstr, log10

def digits_for(radius):
    return int(-log10(radius)) + 40

def ball_period(c, radius, most):
    z, dz = mpc(0), mpc(0)
    for n in range(1, most + 1):
        dz = 2 * z * dz + 1
        z = z * z + c
        if fabs(z) < fabs(dz) * radius:
            return n
        if fabs(z) > 4:
            return 0
    return 0

def nucleus(c, period):
    tiny = mpf(2) ** (-mp.prec + 20)
    for _ in range(200):
        z, dz = mpc(0), mpc(0)
        for _ in range(period):
            dz = 2 * z * dz + 1
            z = z * z + c
        step = z / dz
        c -= step
        if fabs(step) < tiny * (1 + fabs(c)):
            return c
    return None

def size(c, period):
    z, lam, beta = mpc(0), mpc(1), mpc(1)
    for _ in range(1, period):
        z = z * z + c
        lam = 2 * z * lam
        beta += 1 / lam
    return 1 / (beta * lam * lam)  # complex: its angle orients the minibrot

def main(argv):
    radius = mpf(argv[3])
    mp.dps = digits_for(radius)
    c = mpc(mpf(argv[1]), mpf(argv[2]))
    most = int(argv[4]) if len(argv) > 4 else 10000
    p = ball_period(c, radius, most)
    if not p:
        print("no period up to", most)
        return 1
    n = nucleus(c, p)
    if n is not None and digits_for(fabs(size(n, p))) > mp.dps:
        # The minibrot may be far smaller than the ball: refine at the precision its size needs.
        mp.dps = digits_for(fabs(size(n, p)))
        n = nucleus(n, p)
    if n is None:
        print("period", p, ": Newton's method did not settle")
        return 1
    s = size(n, p)
    centre = n + s * mpc(0, 0.25)
    digits = int(-log10(fabs(s))) + 25
    print("period", p, "distance", nstr(fabs(n - c), 5), "size", nstr(fabs(s), 5))
    print("centre x", nstr(centre.real, digits))
    print("centre y", nstr(centre.imag, digits))
    print("magnification", nstr(6 / (4 * fabs(s)), 3))
    return 0

if __name__ == "__main__":
    sys.exit(main(sys.argv))
