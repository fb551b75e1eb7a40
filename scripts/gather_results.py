#!/usr/bin/env python3
"""Gathers the JSON results of many `tarsen-batch run --json` calls (one object per file, or the
array of a sweep) into one CSV table on standard output, one row per run, in the order given.

    gather_results.py results/*.json > study.csv

The first column names the JSON file each row came from; a value that is null in the JSON (not
finite, or not defined for that run) is an empty cell. Members beyond the fixed columns that hold
a single value are added as further columns, so that nothing a newer tool writes is lost. A file
that cannot be read or is not a run result is named on standard error and left out, and the
exit status is then 3."""
import csv
import json
import sys

FIXED = ["json_file", "file", "sweep_key", "sweep_value", "stopped", "status", "solver", "nr",
         "nz", "cycles", "tbc", "T0", "T1", "T2", "gradient", "power_W", "current_A",
         "voltage_V", "resistance_ohm", "ohms_law_resistance_ohm", "ohms_law_voltage_V",
         "heat_out_W", "heat_balance_percent", "first_error", "rms_error", "seconds"]


def row_of(result, source):
    """The flat row of one run result."""
    row = {key: value for key, value in result.items()
           if not isinstance(value, (dict, list)) and key != "schema"}
    row["json_file"] = source
    for k, tc in enumerate(result.get("thermocouples", [])):
        row[f"T{k}"] = tc.get("temperature")
    sweep = result.get("sweep") or {}
    row["sweep_key"], row["sweep_value"] = sweep.get("key"), sweep.get("value")
    return row


def main(paths):
    if not paths:
        sys.stderr.write(__doc__)
        return 2
    rows, skipped = [], 0
    for path in paths:
        try:
            with open(path, encoding="utf-8") as f:
                document = json.load(f)
            results = document if isinstance(document, list) else [document]
            if not all(isinstance(r, dict) and str(r.get("schema", "")).startswith(
                    "tarsen-batch/run/") for r in results):
                raise ValueError("not the JSON of tarsen-batch run")
        except (OSError, ValueError) as e:
            # One failed point must not hide the others: it is named and left out.
            sys.stderr.write(f"Error while reading \"{path}\": {e}; left out\n")
            skipped += 1
            continue
        rows += [row_of(r, path) for r in results]
    columns = FIXED + sorted({key for row in rows for key in row} - set(FIXED))
    out = csv.DictWriter(sys.stdout, fieldnames=columns, lineterminator="\n")
    out.writeheader()
    for row in rows:
        out.writerow({key: "" if row.get(key) is None else row[key] for key in columns})
    return 3 if skipped else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
