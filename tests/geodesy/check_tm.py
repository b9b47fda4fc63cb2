#!/usr/bin/python3
"""The transverse Mercator definitions against PROJ's EPSG ones.

    check_tm.py TM_POINTS

Over a lattice of each system's area and the edges of that area widened by
1 degree: forward within 1 micrometre of PROJ, inverse within 1 micrometre
(both answers projected forward by PROJ), and forward, inverse, forward
again within 20 nanometres of the first; points no projection can take are
refused. Prints the largest differences per definition. Exit status 77
without pyproj.
"""
import math
import subprocess
import sys

# Name in tm_points, EPSG code, area (latitudes, longitudes in degrees).
SYSTEMS = [
    ("tm06", 3763, (36.8, 42.3, -9.7, -6.0)),    # mainland
    ("utm29", 25829, (36.8, 42.3, -9.7, -6.0)),  # mainland
    ("utm25", 5014, (39.3, 39.8, -31.4, -31.0)),  # Azores, western group
    ("utm26", 5015, (36.8, 39.2, -28.9, -24.9)),  # Azores, central and eastern groups
    ("utm28", 5016, (29.9, 33.2, -17.4, -15.8)),  # Madeira, Porto Santo, Selvagens
]
# Far inside the 1 mm and 0.1 mm promised: the series agrees with PROJ to a
# few nanometres, and at these limits a wrong digit in the terms in n^3 or
# the flattening, or the series cut at n^3, shows against PROJ; a wrong
# digit in the terms in n^4, or the series cut there, in the round trip.
POSITION_MAX = 1e-6
ROUND_TRIP_MAX = 2e-8

# Not finite, beyond the poles or the antimeridian, more than 90 degrees
# from the central meridian, more than 4000 km east of it, beyond the pole.
REFUSED = ["tm06-fwd nan -8", "tm06-fwd 90.000001 -8", "tm06-fwd 40 180.5", "utm29-fwd 0 82.5",
           "utm29-fwd 40 inf", "utm29-fwd 89 100", "utm29-inv 4500000.001 4400000", "utm29-inv 500000 nan",
           "utm29-inv -inf 4400000", "utm29-inv 500000 30000000", "tm06-inv 0 -30000000"]


def lattice(lat0, lat1, lon0, lon1, steps=20):
    inside = [(lat0 + (lat1 - lat0) * i / steps, lon0 + (lon1 - lon0) * j / steps)
              for i in range(steps + 1) for j in range(steps + 1)]
    s, n, w, e = lat0 - 1, lat1 + 1, lon0 - 1, lon1 + 1
    edges = []
    for i in range(2 * steps + 1):
        t = i / (2 * steps)
        edges += [(s + (n - s) * t, w), (s + (n - s) * t, e), (s, w + (e - w) * t), (n, w + (e - w) * t)]
    return inside + edges


def run(program, kind, pairs):
    text = "".join("%s %.17g %.17g\n" % (kind, a, b) for a, b in pairs)
    out = subprocess.run([program], input=text, capture_output=True, text=True, check=True).stdout
    return [None if line == "none" else tuple(map(float, line.split())) for line in out.splitlines()]


def distance(u, v):
    return math.hypot(u[0] - v[0], u[1] - v[1])


def main():
    try:
        import pyproj
    except ImportError:
        print("pyproj is not installed (Debian package python3-pyproj): skipped")
        sys.exit(77)
    program = sys.argv[1]
    failures = []
    refused = subprocess.run([program], input="\n".join(REFUSED) + "\n", capture_output=True, text=True,
                             check=True).stdout.splitlines()
    failures += ["%s: gives %s, not none" % (line, got) for line, got in zip(REFUSED, refused) if got != "none"]
    for name, code, area in SYSTEMS:
        crs = pyproj.CRS.from_epsg(code)
        proj = pyproj.Transformer.from_crs(crs.geodetic_crs, crs, always_xy=True)
        points = lattice(*area)
        expected = [proj.transform(lon, lat) for lat, lon in points]
        back = [proj.transform(m, p, direction="INVERSE") for m, p in expected]
        forward = run(program, name + "-fwd", points)
        inverse = run(program, name + "-inv", expected)
        again = run(program, name + "-fwd", run(program, name + "-inv", forward))
        if None in forward + inverse + again or len(again) != len(points):
            failures.append("%s: a point of its area refused" % name)
            continue
        worst = [0.0, 0.0, 0.0]
        for i, (lat, lon) in enumerate(points):
            off = [distance(forward[i], expected[i]),
                   distance(proj.transform(inverse[i][1], inverse[i][0]), proj.transform(*back[i])),
                   distance(again[i], forward[i])]
            for k, (what, limit) in enumerate([("forward", POSITION_MAX), ("inverse", POSITION_MAX),
                                               ("round trip", ROUND_TRIP_MAX)]):
                if off[k] > limit:
                    failures.append("%s at %.6f %.6f: %s %.3g m off" % (name, lat, lon, what, off[k]))
                worst[k] = max(worst[k], off[k])
        print("%-6s EPSG:%-5d %d points: forward %.2g m, inverse %.2g m, round trip %.2g m"
              % (name, code, len(points), *worst))
    for failure in failures[:20]:
        print("FAIL", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
