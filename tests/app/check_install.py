#!/usr/bin/env python3
"""Installs the build into a staging folder and uses what was installed as a user would: the
installed tarsen-batch on the installed example, an assembly away from its materials file, a
picture drawn by the installed drawing module, the desktop entry, the file type of .tsn files and
the man page. Usage: check_install.py BUILD_DIR"""
import json
import pathlib
import shutil
import subprocess
import sys
import tempfile

build = pathlib.Path(sys.argv[1])
stage = pathlib.Path(tempfile.mkdtemp())
subprocess.run(["cmake", "--install", build, "--prefix", stage], check=True,
               stdout=subprocess.DEVNULL)
data = stage / "share" / "tarsen"
batch = stage / "bin" / "tarsen-batch"
failures = []


def run(tsn, *more):
    """The installed tool's JSON result of a short run of tsn."""
    done = subprocess.run([batch, "run", tsn, "--set", "nr=32", "--cycles", "2", "--quiet",
                           "--json", *more], capture_output=True, text=True, check=False)
    if done.returncode != 0:
        failures.append(f"run {tsn}: status {done.returncode}: {done.stderr}")
        return {}
    return json.loads(done.stdout)


# The drawing module is found from the installed tool's own place.
picture = stage / "furnace.png"
result = run(data / "examples" / "furnace.tsn", "--picture", picture)
if result and (not picture.is_file() or picture.read_bytes()[:8] != b"\x89PNG\r\n\x1a\n"):
    failures.append("the installed tool wrote no PNG picture")
if result and pathlib.Path(result["materials_file"]) != data / "examples" / "thermal.prp":
    failures.append(f"installed example read {result['materials_file']}")
if result and result["thermocouples"][0]["temperature"] is None:
    failures.append("the installed example gave no temperature")
# An assembly copied away from its materials file finds the one installed with the tool.
alone = pathlib.Path(tempfile.mkdtemp()) / "copy.tsn"
shutil.copy(data / "examples" / "furnace.tsn", alone)
result = run(alone)
if result and pathlib.Path(result["materials_file"]) != data / "thermal.prp":
    failures.append(f"an assembly alone read {result['materials_file']}")

for path in ["bin/tarsen", "share/applications/tarsen.desktop",
             "share/icons/hicolor/scalable/apps/tarsen.svg", "share/mime/packages/tarsen.xml",
             "share/man/man1/tarsen-batch.1", "share/tarsen/schema/run.schema.json",
             "share/tarsen/scripts/gather_results.py"]:
    if not (stage / path).is_file():
        failures.append(f"{path} is not installed")
version = subprocess.run([stage / "bin" / "tarsen", "--version"], capture_output=True, text=True,
                         check=False)
if version.returncode != 0 or not version.stdout.startswith("tarsen "):
    failures.append(f"tarsen --version: {version.returncode} {version.stdout!r}")
if shutil.which("desktop-file-validate"):
    done = subprocess.run(["desktop-file-validate", stage / "share/applications/tarsen.desktop"],
                          capture_output=True, text=True, check=False)
    if done.returncode != 0 or done.stdout.strip():
        failures.append(f"desktop entry: {done.stdout}{done.stderr}")
# The file type as the desktop's MIME database would hold it.
if shutil.which("update-mime-database"):
    subprocess.run(["update-mime-database", stage / "share" / "mime"], check=False,
                   capture_output=True)
    globs = stage / "share" / "mime" / "globs2"
    if not globs.is_file() or "application/x-tarsen-assembly:*.tsn" not in globs.read_text():
        failures.append("the MIME database does not map *.tsn to application/x-tarsen-assembly")
if shutil.which("man"):
    man = subprocess.run(["man", "-l", "-P", "cat", stage / "share/man/man1/tarsen-batch.1"],
                         capture_output=True, text=True, check=False, env={"MANWIDTH": "100"})
    if "--max-cycles" not in man.stdout:
        failures.append("the man page lacks the options of run")

shutil.rmtree(stage, ignore_errors=True)
for f in failures:
    print(f)
print(f"installed and checked, {len(failures)} failures")
sys.exit(1 if failures else 0)
