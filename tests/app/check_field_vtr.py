#!/usr/bin/env python3
"""Writes the field of a short run as .vtr and as .csv, reads the .vtr back with VTK and checks
that both files hold the same cells with the same values. Usage: check_field_vtr.py TARSEN_BATCH
SOURCE_DIR"""
import csv
import pathlib
import struct
import subprocess
import sys
import tempfile

import vtk

batch, source = sys.argv[1], pathlib.Path(sys.argv[2])
work = pathlib.Path(tempfile.mkdtemp())
for name in ("field.vtr", "field.csv"):
    # nr 24 on the 2:1 example, single grid: 24 x 48 cells.
    subprocess.run([batch, "run", source / "examples" / "furnace.tsn", "--set", "nr=24",
                    "--single-grid", "--cycles", "3", "--quiet", "--field", work / name],
                   check=True, stdout=subprocess.DEVNULL)

reader = vtk.vtkXMLRectilinearGridReader()
reader.SetFileName(str(work / "field.vtr"))
reader.Update()
grid = reader.GetOutput()
rows = list(csv.DictReader(open(work / "field.csv", newline="")))
failures = []
nr, nz, planes = (n - 1 for n in grid.GetDimensions())
if (nr, nz, planes) != (24, 48, 0) or grid.GetNumberOfCells() != len(rows):
    failures.append(f"grid {nr} x {nz} x {planes}, {grid.GetNumberOfCells()} cells, "
                    f"{len(rows)} CSV rows")
xs, ys = grid.GetXCoordinates(), grid.GetYCoordinates()
if xs.GetValue(0) != 0.0 or abs(xs.GetValue(nr) - 6.35) > 1e-6 or \
        abs(ys.GetValue(nz) - 12.7) > 1e-6:
    failures.append("edges do not span 0 ... rmax by 0 ... zmax in mm")

data = grid.GetCellData()
arrays = ("temperature_C", "heat_source_W_per_mm3", "conductivity_W_per_mm_K", "material_index")
for row in rows if not failures else []:
    # The CSV gives cell centres; the .vtr has r running fastest.
    i = round(float(row["r_mm"]) / 6.35 * nr - 0.5)
    j = round(float(row["z_mm"]) / 12.7 * nz - 0.5)
    centre = ((xs.GetValue(i) + xs.GetValue(i + 1)) / 2, (ys.GetValue(j) + ys.GetValue(j + 1)) / 2)
    if abs(centre[0] - float(row["r_mm"])) > 1e-5 or abs(centre[1] - float(row["z_mm"])) > 1e-5:
        failures.append(f"cell {i}, {j}: centre {centre}, CSV {row['r_mm']}, {row['z_mm']}")
    for name in arrays:
        value = data.GetArray(name).GetValue(j * nr + i)
        # The CSV holds each Single's shortest form, which reads back to the same Single.
        if value != struct.unpack("f", struct.pack("f", float(row[name])))[0]:
            failures.append(f"cell {i}, {j}: {name} {value} in .vtr, {row[name]} in CSV")

for f in failures[:20]:
    print(f)
print(f"{len(rows)} cells compared, {len(failures)} failures")
sys.exit(1 if failures else 0)
