#!/usr/bin/env python3
"""Validates the JSON documents of tarsen-batch check, materials and run on the bundled examples
against the JSON Schema files. Usage: validate_json.py TARSEN_BATCH SOURCE_DIR"""
import json
import pathlib
import subprocess
import sys

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
         # A diverging run: its non-finite residuals must still make a valid document.
         ("run", [examples / "furnace.tsn", *small, "--set", "ElectricCurrent=5000",
                  "--cycles", "20"])]
cases += [("check", [tsn]) for tsn in sorted(examples.glob("*.tsn"))]
cases += [("run", [tsn, *quick]) for tsn in sorted(examples.glob("*.tsn"))]

failures = 0
for command, args in cases:
    line = [batch, command, *map(str, args), "--json"]
    done = subprocess.run(line, capture_output=True, text=True, check=False)
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
print(f"{len(cases)} documents, {failures} failures")
sys.exit(1 if failures else 0)
