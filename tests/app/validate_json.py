#!/usr/bin/env python3
"""Validates the JSON documents of tarsen-batch check, materials and run on the bundled examples
against the JSON Schema files, then gathers the run documents into one CSV with the study script
and checks its rows. Usage: validate_json.py TARSEN_BATCH SOURCE_DIR"""
import csv
import io
import json
import pathlib
import subprocess
import sys
import tempfile

import jsonschema

batch, source = sys.argv[1], pathlib.Path(sys.argv[2])
examples = source / "examples"
schemas = {name: json.loads((source / "schema" / f"{name}.schema.json").read_text())
           for name in ("check", "materials", "run")}
small = ["--set", "nr=32", "--quiet"]
quick = [*small, "--cycles", "2"]
cases = [("materials", [examples / "thermal.prp"]),
         ("materials", [examples / "thermal.prp", "--at", "1000"]),
         ("run", [examples / "furnace.tsn", *quick]),
         ("run", [examples / "furnace.tsn", *quick, "--sweep", "ElectricCurrent=200:220:20"]),
         ("run", [examples / "furnace.tsn", *quick, "--measured-voltage", "2.5"]),
         # A diverging run: its non-finite residuals must still make a valid document.
         ("run", [examples / "furnace.tsn", *small, "--set", "ElectricCurrent=5000",
                  "--cycles", "20"])]
cases += [("check", [tsn]) for tsn in sorted(examples.glob("*.tsn"))]
cases += [("run", [tsn, *quick]) for tsn in sorted(examples.glob("*.tsn"))]

failures = 0
work = pathlib.Path(tempfile.mkdtemp())
runs = []
for command, args in cases:
    line = [batch, command, *map(str, args), "--json"]
    done = subprocess.run(line, capture_output=True, text=True, check=False)
    if command == "run":
        runs.append(work / f"run{len(runs)}.json")
        runs[-1].write_text(done.stdout)
    try:
        document = json.loads(done.stdout)
        validator = jsonschema.Draft202012Validator(schemas[command])
        errors = sorted(validator.iter_errors(document), key=lambda e: list(e.path))
    except json.JSONDecodeError as e:
        errors = [f"not JSON: {e}"]
    for error in errors:
        failures += 1
        print(f"{' '.join(line[1:])}: {str(getattr(error, 'message', error))[:300]} at "
              f"{list(getattr(error, 'path', []))}")

# The study script: one row per run (a sweep gives one per value), in the order of the files,
# and a null of the JSON as an empty cell.
# A point that failed before writing its result is named and left out, the others gathered.
(work / "failed.json").write_text("")
gathered = subprocess.run([sys.executable, source / "scripts" / "gather_results.py", *runs[:1],
                           work / "failed.json", *runs[1:]],
                          capture_output=True, text=True, check=False)
rows = list(csv.DictReader(io.StringIO(gathered.stdout)))
expected = []
for path in runs:
    document = json.loads(path.read_text())
    expected += document if isinstance(document, list) else [document]
if gathered.returncode != 3 or "failed.json" not in gathered.stderr or \
        len(rows) != len(expected):
    failures += 1
    print(f"gather_results.py: status {gathered.returncode}, {len(rows)} rows for "
          f"{len(expected)} runs: {gathered.stderr}")
for row, result in zip(rows, expected):
    wanted = {"current_A": result["current_A"], "first_error": result["first_error"],
              "T0": result["thermocouples"][0]["temperature"],
              "sweep_value": (result.get("sweep") or {}).get("value")}
    for key, value in wanted.items():
        if row[key] != ("" if value is None else str(value)):
            failures += 1
            print(f"gather_results.py: {key} {row[key]!r} for {value!r} of {row['json_file']}")
if not any(row["first_error"] == "" for row in rows):
    failures += 1
    print("gather_results.py: the diverged run's null residual is not an empty cell")
print(f"{len(cases)} documents, {len(rows)} gathered rows, {failures} failures")
sys.exit(1 if failures else 0)
