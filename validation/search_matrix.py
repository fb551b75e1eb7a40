#!/usr/bin/env python3
"""Runs the temperature search on the bundled examples over grids and cycles per trial, and
checks that every search ends by itself with thermocouple 0 within TError, at a current that
agrees with the 20-cycles-per-trial search.

    python3 validation/search_matrix.py [--batch build/run/app/tarsen-batch] [--target 1200]
"""
import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
EXAMPLES = ["furnace.tsn", "tapered_furnace.tsn", "silicate_in_pt.tsn"]
GRIDS = [(32, 2), (64, 2), (128, 2), (256, 2), (512, 2)]
NCYCLES = [1, 2, 5, 20]


def search(batch, example, nr, aspect, ncycles, target):
    cmd = [batch, "run", os.path.join(ROOT, "examples", example), "--target", str(target),
           "--set", "nr=%d" % nr, "--set", "AspectRatio=%d" % aspect,
           "--set", "ncycles=%d" % ncycles, "--max-cycles", "0", "--quiet", "--json"]
    out = subprocess.run(cmd, capture_output=True, text=True)
    try:
        return out.returncode, json.loads(out.stdout)
    except json.JSONDecodeError:
        return out.returncode, None


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--batch", default=os.path.join(ROOT, "build", "run", "app", "tarsen-batch"))
    ap.add_argument("--target", type=float, default=1200.0)
    ap.add_argument("--tolerance", type=float, default=0.05, help="percent")
    ap.add_argument("--terror", type=float, default=1.0, help="the examples' TError, deg C")
    args = ap.parse_args()
    failed = 0
    print("example,nr,aspect,ncycles,exit,stopped,cycles,T0,current_A,vs_ncycles20_percent")
    for example in EXAMPLES:
        for nr, aspect in GRIDS:
            rows = {}
            for nc in NCYCLES:
                rows[nc] = search(args.batch, example, nr, aspect, nc, args.target)
            ref = rows[20][1]
            for nc in NCYCLES:
                code, res = rows[nc]
                if res is None:
                    print("%s,%d,%d,%d,%d,no output" % (example, nr, aspect, nc, code))
                    failed += 1
                    continue
                cur = res["current_A"]
                t0 = res["thermocouples"][0]["temperature"]
                dev = 100.0 * (cur - ref["current_A"]) / ref["current_A"] if ref else float("nan")
                ok = (code == 0 and abs(t0 - args.target) < args.terror and
                      abs(dev) <= args.tolerance)
                failed += 0 if ok else 1
                print("%s,%d,%d,%d,%d,%s,%d,%.4f,%.4f,%+.4f%s" % (
                    example, nr, aspect, nc, code, res["stopped"], res["cycles"], t0, cur, dev,
                    "" if ok else ",FAIL"), flush=True)
    print("%d failed" % failed)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
