#!/usr/bin/env python3
"""The program against the continuum reference values, grid by grid.

    python3 validation/compare.py [--batch PATH] [--nr 32 64 128 256] [--classic] [ASSEMBLY ...]

Runs tarsen-batch (default: build/release/app/tarsen-batch) on each assembly that has a row in
validation/reference.csv (an assembly is looked for in validation/, then in examples/), at each
grid size, to the precision limit of the solver, and prints the thermocouple errors in deg C
and the power error in per cent against the reference. --classic samples each cell at its
centre instead of by the parts' shares.
"""
import argparse
import csv
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def read_references():
    refs = {}
    with open(os.path.join(HERE, "reference.csv")) as f:
        for row in csv.DictReader(f):
            refs[row["assembly"]] = row
    return refs


def locate(name):
    for folder in (HERE, os.path.join(ROOT, "examples")):
        path = os.path.join(folder, name)
        if os.path.exists(path):
            return path
    return None


def run(batch, path, nr, classic):
    # The continuum problem has the boundary held at tbc: no press heat sink.
    cmd = [batch, "run", path, "--set", "nr=%d" % nr, "--set", "IncludePress=False", "--residual",
           "1e-12", "--max-cycles", "0", "--quiet", "--json"]
    if classic:
        cmd += ["--set", "ExactSampling=False"]
    out = subprocess.run(cmd, capture_output=True, text=True)
    if out.returncode not in (0, 4):
        sys.exit("%s failed (%d): %s" % (" ".join(cmd), out.returncode, out.stderr.strip()))
    doc = json.loads(out.stdout)
    return [tc["temperature"] for tc in doc["thermocouples"]], doc["power_W"], doc["cycles"]


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--batch", default=os.path.join(ROOT, "build/release/app/tarsen-batch"))
    ap.add_argument("--nr", type=int, nargs="+", default=[32, 64, 128, 256])
    ap.add_argument("--classic", action="store_true")
    ap.add_argument("assemblies", nargs="*")
    args = ap.parse_args()

    refs = read_references()
    names = args.assemblies or list(refs)
    print("%-20s %4s %9s %9s %9s %9s %6s" % ("assembly", "nr", "TC0 err", "TC1 err", "TC2 err",
                                           "power %", "cycles"))
    for name in names:
        if name not in refs:
            sys.exit("no reference for %s in validation/reference.csv" % name)
        path = locate(name)
        if path is None:
            sys.exit("%s not found in validation/ or examples/" % name)
        ref = refs[name]
        ref_tc = [float(ref["tc%d_C" % k]) for k in range(3)]
        ref_power = float(ref["power_W"])
        for nr in args.nr:
            tc, power, cycles = run(args.batch, path, nr, args.classic)
            errs = ["%+9.3f" % (t - r) for t, r in zip(tc, ref_tc)]
            print("%-20s %4d %s %+9.4f %6d" % (name, nr, " ".join(errs),
                                              100.0 * (power - ref_power) / ref_power, cycles))
            sys.stdout.flush()


if __name__ == "__main__":
    main()
