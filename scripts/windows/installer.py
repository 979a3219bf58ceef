#!/usr/bin/env python3
"""Builds Seqget-<file version>-win64-setup.exe from the zip pack.py made.

    installer.py <source tree> <folder with the zip>

The installer installs exactly the zip's files (the zip is the one list of
what Seqget ships), with data/windows/seqget-setup.nsi and makensis. Its
uninstaller deletes those files by name, never a whole folder, so whatever
the program or the user put beside them (the log, downloads) stays.
When SEQGET_SIGN_PFX names a certificate, the installer and its uninstaller
are signed as they are written (scripts/windows/sign.sh); the binaries inside
were signed by pack.py. Prints the installer's path and size.
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

source, folder = (os.path.abspath(p) for p in sys.argv[1:3])

with open(os.path.join(source, "CMakeLists.txt"), encoding="utf-8") as f:
    version = re.search(r'set\(SEQGET_FILE_VERSION "([^"]+)"\)', f.read()).group(1)
# As the top CMakeLists.txt turns it into the program's version record.
major, minor, revision = (int(n) for n in version.split("."))
vi_version = f"{major}.{minor}.0.{revision}"

zip_path = os.path.join(folder, f"Seqget-{version}-win64.zip")
out = os.path.join(folder, f"Seqget-{version}-win64-setup.exe")
top = "Seqget/"


def nsis_path(name):
    return name.replace("/", "\\")


with tempfile.TemporaryDirectory() as work, zipfile.ZipFile(zip_path) as z:
    files = sorted(n for n in z.namelist() if not n.endswith("/"))
    if not files or any(not n.startswith(top) for n in files):
        sys.exit(f"{zip_path}: expected every file under {top}")
    z.extractall(work)
    size_kb = (sum(z.getinfo(n).file_size for n in files) + 1023) // 1024

    # Grouped by folder: one SetOutPath each, then its files.
    by_folder = {}
    for name in files:
        relative = name[len(top):]
        by_folder.setdefault(os.path.dirname(relative), []).append(relative)
    lines = ["!macro SEQGET_INSTALL_FILES"]
    for sub in sorted(by_folder):
        lines.append(f'    SetOutPath "$INSTDIR{chr(92) + nsis_path(sub) if sub else ""}"')
        for relative in by_folder[sub]:
            lines.append(f'    File "{os.path.join(work, top, relative)}"')
    lines.append("!macroend")
    lines.append("!macro SEQGET_UNINSTALL_FILES")
    for name in files:
        lines.append(f'    Delete "$INSTDIR\\{nsis_path(name[len(top):])}"')
    # Each folder the files were in, and the folders above those, deepest
    # first; RMDir without /r leaves a folder that still holds anything.
    folders = set()
    for sub in by_folder:
        while sub:
            folders.add(sub)
            sub = os.path.dirname(sub)
    for sub in sorted(folders, key=lambda s: (-s.count("/"), s)):
        lines.append(f'    RMDir "$INSTDIR\\{nsis_path(sub)}"')
    lines.append("!macroend")
    include = os.path.join(work, "files.nsh")
    with open(include, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")

    defines = {
        "SEQGET_VERSION": version,
        "SEQGET_VI_VERSION": vi_version,
        "SEQGET_FILES": include,
        "SEQGET_SIZE_KB": str(size_kb),
        "SEQGET_ICON": os.path.join(source, "data", "windows", "seqget.ico"),
        "SEQGET_OUTFILE": out,
    }
    if os.environ.get("SEQGET_SIGN_PFX"):
        sign = os.path.join(source, "scripts", "windows", "sign.sh")
        defines["SEQGET_SIGN"] = f'bash "{sign}" "%1"'
    if os.path.exists(out):
        os.remove(out)
    command = ["makensis", "-V2", "-INPUTCHARSET", "UTF8"]
    command += [f"-D{key}={value}" for key, value in defines.items()]
    command.append(os.path.join(source, "data", "windows", "seqget-setup.nsi"))
    subprocess.run(command, check=True)

print(out)
print(f"{os.path.getsize(out):>10}  {os.path.basename(out)} ({len(files)} files, {size_kb} KiB installed)")
