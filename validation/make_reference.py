#!/usr/bin/env python3
"""Reference values for the validation assemblies from a finite-element solution of the same
continuum problem (FreeFem++, P2 elements on a mesh that follows every part boundary).

    python3 validation/make_reference.py [--h 0.04 0.02] [ASSEMBLY.tsn ...]

For each assembly (default: validation/*.tsn), at each mesh size h (mm), writes the problem
into a copy of continuum.edp, runs FreeFem++ and collects the thermocouple temperatures and
the furnace power. The finest size goes to validation/reference.csv, with the change from the
next coarser size as an estimate of what the reference itself is still off by.
"""
import argparse
import csv
import json
import math
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
POINT_PI = 3.14159  # the point rule's own pi
PART_PI = 3.1415927  # the parts' areas


def read_assembly(path):
    with open(path) as f:
        doc = json.load(f)
    props = {p["name"]: p["value"] for p in doc["properties"]}
    parts = []
    for i in range(31):
        key = "Tarsen.CellPart(%d." % i
        if not props.get(key + "Include", False):
            continue
        parts.append({
            "index": i,
            "material": props.get(key + "MaterialIndex", -1),
            "heating": props.get(key + "HeatingType", 0),
            "inner": props.get(key + "InnerRadius", 0.0),
            "outer": props.get(key + "OuterRadius", 0.0),
            "minH": props.get(key + "MinHeight", 0.0),
            "maxH": props.get(key + "MaxHeight", 0.0),
            "taper": props.get(key + "TaperAngle", 90.0),
            "flare": props.get(key + "FlareAngle", 90.0),
        })
    rmax = props.get("rmax", 5.0)
    settings = {
        "rmax": rmax,
        "zmax": props.get("AspectRatio", 1.0) * rmax,
        "current": props.get("ElectricCurrent", 100.0),
        "tbc": props.get("tbc", 25.0),
        "ibcs": [props.get("ibcs(%d)" % k, d) for k, d in zip(range(1, 5), (0, 1, 1, 0))],
        "materials": props.get("MaterialFile", "thermal.prp"),
        "tc": [(props.get("Tarsen.ThermocouplePosition(%d,0)" % k, 0.0),
                props.get("Tarsen.ThermocouplePosition(%d,1)" % k, 0.0)) for k in range(3)],
    }
    return parts, settings


def read_materials(path):
    mats, cur = {}, None
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.split("'")[0].strip()
            m = re.match(r"MATERIAL\s+(\d+)\s*=", line, re.I)
            if m:
                cur = mats.setdefault(int(m.group(1)), {})
                continue
            m = re.match(r"(\w+)\s*=\s*(\S+)", line)
            if m and cur is not None:
                try:
                    cur[m.group(1).upper()] = float(m.group(2))
                except ValueError:
                    pass
    return mats


def lean(angle):
    return math.tan((angle - 90.0) * POINT_PI / 180.0)


# --- the planar graph of every part edge, split where edges meet ---------------------------

def clip(p, q, rmax, zmax):
    """Segment p-q clipped to the model box, or None."""
    (x0, y0), (x1, y1) = p, q
    t0, t1 = 0.0, 1.0
    dx, dy = x1 - x0, y1 - y0
    for pk, qk in ((-dx, x0), (dx, rmax - x0), (-dy, y0), (dy, zmax - y0)):
        if pk == 0:
            if qk < 0:
                return None
        else:
            t = qk / pk
            if pk < 0:
                t0 = max(t0, t)
            else:
                t1 = min(t1, t)
    if t1 - t0 <= 1e-12:
        return None
    return (x0 + t0 * dx, y0 + t0 * dy), (x0 + t1 * dx, y0 + t1 * dy)


def corners(p):
    t, f = lean(p["taper"]), lean(p["flare"])
    r0 = p["outer"] - t * p["minH"]
    z0 = p["maxH"] - f * p["inner"]
    d = 1 - t * f
    r3, z3 = (r0 + t * z0) / d, (z0 + f * r0) / d
    return [(p["inner"], p["minH"]), (p["outer"], p["minH"]), (r3, z3), (p["inner"], p["maxH"])]


def intersect(a, b):
    (x1, y1), (x2, y2) = a
    (x3, y3), (x4, y4) = b
    den = (x2 - x1) * (y4 - y3) - (y2 - y1) * (x4 - x3)
    if abs(den) < 1e-14:
        return None
    s = ((x3 - x1) * (y4 - y3) - (y3 - y1) * (x4 - x3)) / den
    u = ((x3 - x1) * (y2 - y1) - (y3 - y1) * (x2 - x1)) / den
    if -1e-12 <= s <= 1 + 1e-12 and -1e-12 <= u <= 1 + 1e-12:
        return (x1 + s * (x2 - x1), y1 + s * (y2 - y1))
    return None


def on_segment(p, seg, tol=1e-9):
    (x1, y1), (x2, y2) = seg
    dx, dy = x2 - x1, y2 - y1
    L2 = dx * dx + dy * dy
    s = ((p[0] - x1) * dx + (p[1] - y1) * dy) / L2
    if s <= 1e-9 or s >= 1 - 1e-9:
        return None
    ex, ey = x1 + s * dx - p[0], y1 + s * dy - p[1]
    return s if ex * ex + ey * ey < tol * tol else None


def graph(parts, rmax, zmax):
    box = [(0, 0), (rmax, 0), (rmax, zmax), (0, zmax)]
    segs = [(box[k], box[(k + 1) % 4]) for k in range(4)]
    for p in parts:
        c = corners(p)
        for k in range(4):
            s = clip(c[k], c[(k + 1) % 4], rmax, zmax)
            if s:
                segs.append(s)
    pts = [q for s in segs for q in s]
    for a in range(len(segs)):
        for b in range(a + 1, len(segs)):
            x = intersect(segs[a], segs[b])
            if x:
                pts.append(x)
    key = lambda q: (round(q[0], 9), round(q[1], 9))
    uniq = {}
    for q in pts:
        uniq.setdefault(key(q), q)
    pts = list(uniq.values())
    pieces = set()
    for s in segs:
        cuts = sorted([(0.0, s[0]), (1.0, s[1])] +
                      [(t, q) for q in pts for t in [on_segment(q, s)] if t is not None])
        for (ta, qa), (tb, qb) in zip(cuts, cuts[1:]):
            ka, kb = key(qa), key(qb)
            if ka != kb:
                pieces.add(tuple(sorted((ka, kb))))
    return sorted(pieces)


def side_label(a, b, rmax, zmax):
    eps = 1e-9
    if abs(a[0]) < eps and abs(b[0]) < eps:
        return 1
    if abs(a[0] - rmax) < eps and abs(b[0] - rmax) < eps:
        return 2
    if abs(a[1] - zmax) < eps and abs(b[1] - zmax) < eps:
        return 3
    if abs(a[1]) < eps and abs(b[1]) < eps:
        return 4
    return 0


# --- the problem as FreeFem++ text -----------------------------------------------------------

def num(v):
    return repr(float(v))


def klaw(m):
    c = [m.get(k, 0.0) for k in ("C0", "C1", "C2", "C3", "C4", "C5", "CMINUS1")]
    return ("0.001*(%s + %s*TT + %s*TT^2 + %s*TT^3 + %s*TT^4 + %s/sqrt(max(TT,1.)) + %s/max(TT,1.))"
            % tuple(num(v) for v in c))


def rlaw(m):
    r = [m.get(k, 0.0) for k in ("R0", "R1", "R2", "R3", "R4")]
    pre, ex = m.get("R_PREEXP", 0.0), m.get("R_EXP", 0.0)
    s = "%s + %s*TT + %s*TT^2 + %s*TT^3 + %s*TT^4" % tuple(num(v) for v in r)
    if pre != 0 and ex != 0:
        s += " + %s*exp(%s/(8.314471*(TT+273.15)))" % (num(pre), num(ex))
    return "1000.*(%s)" % s


def jsq(p, current):
    if p["heating"] == 1:
        a = (p["outer"] ** 2 - p["inner"] ** 2) * PART_PI
        return num((current / a) ** 2) if a else "0."
    if p["heating"] == 2:
        L = p["maxH"] - p["minH"]
        return "(%s/(2.*%s*max(RR,1e-9)*%s))^2" % (num(current), num(PART_PI), num(L))
    if p["heating"] == 3:
        d = 2 * (p["maxH"] - p["minH"]) * p["outer"]
        return num((current / d) ** 2) if d else "0."
    return "0."


def select(parts, text, default):
    s = default
    for p in reversed(parts):
        s = "(PP==%d ? %s : %s)" % (p["index"], text(p), s)
    return s


def problem(parts, settings, mats, h):
    rmax, zmax = settings["rmax"], settings["zmax"]
    lines = []
    names = []
    for n, (a, b) in enumerate(graph(parts, rmax, zmax)):
        label = side_label(a, b, rmax, zmax)
        L = math.hypot(b[0] - a[0], b[1] - a[1])
        # The outer rectangle counter-clockwise; inner edges in either direction.
        if label == 1 and a[1] < b[1] or label == 2 and a[1] > b[1] or \
           label == 3 and a[0] < b[0] or label == 4 and a[0] > b[0]:
            a, b = b, a
        lines.append("border e%d(t=0,1){x=%s+t*(%s);y=%s+t*(%s);label=%d;}"
                     % (n, num(a[0]), num(b[0] - a[0]), num(a[1]), num(b[1] - a[1]), label))
        names.append("e%d(%d)" % (n, max(2, int(math.ceil(L / h)))))
    lines.append("macro Mesh buildmesh(%s) // EOM" % " + ".join(names))
    own = "-1"
    for p in reversed(parts):
        t, f = lean(p["taper"]), lean(p["flare"])
        cond = ("(x > %s && x <= %s + %s*(y - %s) && y > %s && y <= %s + %s*(x - %s))"
                % (num(p["inner"]), num(p["outer"]), num(t), num(p["minH"]), num(p["minH"]),
                   num(p["maxH"]), num(f), num(p["inner"])))
        own = "(%s ? %d : %s)" % (cond, p["index"], own)
    lines.append("func Owner = %s;" % own)
    lines.append("macro Klaw(PP, TT) %s // EOM"
                 % select(parts, lambda p: klaw(mats.get(p["material"], {})), "1e-9"))
    lines.append("macro Rlaw(PP, TT) %s // EOM"
                 % select(parts, lambda p: rlaw(mats.get(p["material"], {})), "0."))
    lines.append("macro Jsq(PP, RR) %s // EOM"
                 % select(parts, lambda p: jsq(p, settings["current"]), "0."))
    held = [str(k + 1) for k in (1, 2, 3) if settings["ibcs"][k]]
    lines.append("macro Held %s // EOM" % ",".join(held))
    lines.append("real tbc = %s;" % num(settings["tbc"]))
    ends = settings["ibcs"][2] != 0, settings["ibcs"][3] != 0
    lines.append("real Mirror = %d;" % (2 if ends[0] != ends[1] else 1))
    lines.append("real[int] TCr = [%s];" % ", ".join(num(r) for r, _ in settings["tc"]))
    lines.append("real[int] TCz = [%s];" % ", ".join(num(z) for _, z in settings["tc"]))
    return "\n".join(lines)


def solve(tsn, h):
    parts, settings = read_assembly(tsn)
    mats = read_materials(os.path.join(os.path.dirname(tsn), settings["materials"]))
    with open(os.path.join(HERE, "continuum.edp")) as f:
        template = f.read()
    text = template.replace("// @ASSEMBLY@", problem(parts, settings, mats, h))
    with tempfile.NamedTemporaryFile("w", suffix=".edp", delete=False) as f:
        f.write(text)
        script = f.name
    try:
        out = subprocess.run(["FreeFem++", "-nw", "-v", "0", script], capture_output=True,
                             text=True, check=False)
    finally:
        os.unlink(script)
    res = {}
    for line in out.stdout.splitlines():
        if line.startswith("RESULT"):
            w = line.split()
            res[w[1]] = w[2:]
    if "power" not in res:
        sys.exit("FreeFem++ failed on %s:\n%s\n%s" % (tsn, out.stdout[-2000:], out.stderr[-2000:]))
    return {"power": float(res["power"][0]),
            "tc": [float(res["tc%d" % k][0]) for k in range(3)],
            "iterations": int(res["iterations"][0]),
            "triangles": int(res["triangles"][0])}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--h", type=float, nargs="+", default=[0.04, 0.02])
    ap.add_argument("--out", default=os.path.join(HERE, "reference.csv"))
    ap.add_argument("assemblies", nargs="*")
    args = ap.parse_args()
    tsns = args.assemblies or sorted(
        os.path.join(HERE, f) for f in os.listdir(HERE) if f.endswith(".tsn"))
    rows = []
    for tsn in tsns:
        results = []
        for h in sorted(args.h, reverse=True):
            r = solve(tsn, h)
            print("%s h %.4f: TC %s, power %.4f W, %d triangles, %d iterations"
                  % (os.path.basename(tsn), h, ["%.4f" % t for t in r["tc"]], r["power"],
                     r["triangles"], r["iterations"]), flush=True)
            results.append(r)
        fine, coarse = results[-1], results[0]
        rows.append([os.path.basename(tsn), "%.4f" % min(args.h)] +
                    ["%.4f" % t for t in fine["tc"]] + ["%.4f" % fine["power"]] +
                    ["%.4f" % abs(a - b) for a, b in zip(fine["tc"], coarse["tc"])] +
                    ["%.4f" % abs(fine["power"] - coarse["power"])])
    with open(args.out, "w", newline="") as f:
        w = csv.writer(f)
        w.writerow(["assembly", "h_mm", "tc0_C", "tc1_C", "tc2_C", "power_W",
                    "tc0_change_C", "tc1_change_C", "tc2_change_C", "power_change_W"])
        w.writerows(rows)


if __name__ == "__main__":
    main()
