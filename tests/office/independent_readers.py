#!/usr/bin/python3
"""Opens the documents qlx writes with readers that share no code with it:
LibreOffice (the module source it imports), gsf (the compound file's streams)
and olefile (every stream read back). Usage: independent_readers.py WRITER DIR."""
import glob
import html
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

try:
    import olefile
except ImportError:
    olefile = None

missing = [n for n, ok in (("soffice", shutil.which("soffice")), ("gsf", shutil.which("gsf")),
                           ("python3-olefile", olefile)) if not ok]
if missing:
    print("independent readers: missing " + ", ".join(missing) + " (scripts/install-deps.sh installs them)")
    sys.exit(1 if os.environ.get("CI") else 77)

writer, work = sys.argv[1], sys.argv[2]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
subprocess.run([writer, work], check=True)

failures = []
profile = tempfile.mkdtemp(prefix="qlx-lo-profile-")


def libreoffice_modules(path):
    """The module sources LibreOffice imports from the document."""
    target = "odt" if path.endswith((".docm", ".doc")) else "ods"
    out = tempfile.mkdtemp(prefix="qlx-lo-")
    subprocess.run(["soffice", "--headless", "--norestore", f"-env:UserInstallation=file://{profile}",
                    "--convert-to", target, "--outdir", out, path],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
    converted = os.path.join(out, os.path.splitext(os.path.basename(path))[0] + "." + target)
    modules = {}
    with zipfile.ZipFile(converted) as z:
        for name in z.namelist():
            m = re.fullmatch(r"Basic/[^/]+/(.+)\.xml", name)
            if not m or m.group(1) in ("script-lb", "script-lc"):
                continue
            xml = z.read(name).decode("utf-8")
            body = re.search(r"<script:module[^>]*>(.*)</script:module>", xml, re.S).group(1)
            lines = html.unescape(body).split("\n")
            # LibreOffice's own lines for VBA modules.
            lines = [l for l in lines if not l.startswith("Rem Attribute VBA_ModuleType=")
                     and l not in ("Option VBASupport 1", "Option ClassModule")]
            modules[m.group(1)] = "\n".join(lines).rstrip("\n")
    shutil.rmtree(out)
    return modules


def project_bin(path):
    if zipfile.is_zipfile(path):
        with zipfile.ZipFile(path) as z:
            name = next(n for n in z.namelist() if n.endswith("vbaProject.bin"))
            data = z.read(name)
        copy = path + ".vbaProject.bin"
        with open(copy, "wb") as f:
            f.write(data)
        return copy
    return path


documents = sorted(p for p in glob.glob(os.path.join(work, "*")) if re.search(r"\.(xlsm|xls|docm)$", p))
for doc in documents:
    name = os.path.basename(doc)
    expected = {os.path.basename(e)[len(name) + 1:-len(".expected")]: open(e, encoding="utf-8").read().rstrip("\n")
                for e in glob.glob(doc + ".*.expected")}
    seen = libreoffice_modules(doc)
    for module, text in expected.items():
        if seen.get(module) != text:
            failures.append(f"{name}: LibreOffice shows module {module} as {seen.get(module)!r}, expected {text!r}")
    binary = project_bin(doc)
    listing = subprocess.run(["gsf", "list", binary], capture_output=True, text=True)
    if listing.returncode != 0 or "dir" not in listing.stdout:
        failures.append(f"{name}: gsf cannot list the project ({listing.stderr.strip()})")
    try:
        ole = olefile.OleFileIO(binary)
        for stream in ole.listdir():
            ole.openstream(stream).read()
    except Exception as e:  # any failure of the reader is a finding
        failures.append(f"{name}: olefile cannot read the compound file: {e}")
    print(f"independent readers: {name}: {len(expected)} modules checked")

shutil.rmtree(profile, ignore_errors=True)
for f in failures:
    print("FAIL:", f)
print(f"{len(documents) - len({f.split(':')[0] for f in failures})} passed, {len({f.split(':')[0] for f in failures})} failed")
sys.exit(1 if failures else 0)
