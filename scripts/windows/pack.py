#!/usr/bin/env python3
"""Packs the cross-built Seqget into Seqget-<file version>-win64.zip.

    pack.py <source tree> <build folder> <toolchain cache> <output folder>

The zip holds one folder, Seqget/, that runs wherever it is unpacked:
Seqget.exe and every DLL it loads that Windows itself does not bring (found
by following the import tables, so nothing is listed by hand), Qt's windows
platform plugin and styles with theirs, qt.conf pointing Qt at that folder,
Qt's Japanese catalogue, the usage page, and the licence texts of what is
inside. When SEQGET_SIGN_PFX names a code-signing certificate, the program and
its DLLs are signed (scripts/windows/sign.sh) after they are stripped.
installer.py installs exactly this zip's files. Prints the zip's path and its
file list.
"""
import os
import re
import subprocess
import sys
import tempfile
import zipfile

source, build, cache, out = sys.argv[1:5]
objdump = "x86_64-w64-mingw32-objdump"
strip = "x86_64-w64-mingw32-strip"


def gcc_runtime_dir():
    libgcc = subprocess.run(["x86_64-w64-mingw32-g++-posix", "-print-libgcc-file-name"],
                            check=True, capture_output=True, text=True).stdout.strip()
    return os.path.dirname(libgcc)


# Where the DLLs that come with the program are; any other DLL is Windows' own.
search = [os.path.join(cache, "qt6", "bin"), os.path.join(cache, "curl", "bin"),
          gcc_runtime_dir(), "/usr/x86_64-w64-mingw32/lib"]


def imports(path):
    text = subprocess.run([objdump, "-p", path], check=True, capture_output=True,
                          text=True).stdout
    return re.findall(r"DLL Name: (\S+)", text)


def find(dll):
    for folder in search:
        for name in os.listdir(folder):
            if name.lower() == dll.lower():
                return os.path.join(folder, name)
    return None


def closure(start):
    """Every DLL of ours that start loads, directly or through another."""
    found, todo = {}, list(start)
    while todo:
        for dll in imports(todo.pop()):
            path = find(dll)
            if path and dll.lower() not in found:
                found[dll.lower()] = path
                todo.append(path)
    return sorted(found.values())


def file_version():
    with open(os.path.join(source, "CMakeLists.txt"), encoding="utf-8") as f:
        return re.search(r'set\(SEQGET_FILE_VERSION "([^"]+)"\)', f.read()).group(1)


exe = os.path.join(build, "Seqget.exe")
plugins = os.path.join(cache, "qt6", "plugins")
entries = {"Seqget.exe": exe}
shipped_plugins = [("platforms", "qwindows.dll"), ("styles", "qwindowsvistastyle.dll")]
plugin_paths = []
for kind, name in shipped_plugins:
    path = os.path.join(plugins, kind, name)
    if os.path.exists(path):
        entries[f"plugins/{kind}/{name}"] = path
        plugin_paths.append(path)
for dll in closure([exe] + plugin_paths):
    entries[os.path.basename(dll)] = dll
entries["translations/qtbase_ja.qm"] = os.path.join(cache, "qt6", "translations", "qtbase_ja.qm")
entries["usage/index.html"] = os.path.join(source, "data", "usage", "index.html")

# Licences: Seqget's own, Qt's, libcurl's, and the MinGW-w64 runtime's.
licences = {"LICENSES/Seqget.txt": os.path.join(source, "data", "deb", "copyright")}
qt_source = [d for d in os.listdir(os.path.join(cache, "src"))
             if d.startswith("qt6-base-")]
for d in qt_source:
    tree = os.path.join(cache, "src", d)
    for top in os.listdir(tree):
        lic = os.path.join(tree, top, "LICENSES")
        if os.path.isdir(lic):
            for name in os.listdir(lic):
                licences[f"LICENSES/Qt/{name}"] = os.path.join(lic, name)
for d in os.listdir(os.path.join(cache, "src")):
    if d.startswith("curl-"):
        tree = os.path.join(cache, "src", d)
        for top in os.listdir(tree):
            if os.path.exists(os.path.join(tree, top, "COPYING")):
                licences["LICENSES/curl.txt"] = os.path.join(tree, top, "COPYING")
for package, name in (("gcc-mingw-w64-base", "gcc-runtime.txt"),
                      ("mingw-w64-common", "mingw-w64.txt")):
    path = f"/usr/share/doc/{package}/copyright"
    if os.path.exists(path):
        licences[f"LICENSES/{name}"] = path
entries.update(licences)

missing = [name for name, path in entries.items() if not os.path.exists(path)]
if missing:
    sys.exit("missing from the build or the cache: " + ", ".join(missing))

zip_path = os.path.join(out, f"Seqget-{file_version()}-win64.zip")
with tempfile.TemporaryDirectory() as stripped:
    binaries = {}
    for name in sorted(entries):
        if name.endswith((".exe", ".dll")):
            # Symbols are most of the bytes (libstdc++'s 23 MB); exports, the
            # icon, the manifest and the version resource stay.
            copy = os.path.join(stripped, os.path.basename(name))
            subprocess.run([strip, "--strip-all", "-o", copy, entries[name]], check=True)
            binaries[name] = copy
    # A signature covers the bytes as shipped, so it comes after the strip;
    # without a certificate this does nothing.
    subprocess.run(["bash", os.path.join(source, "scripts", "windows", "sign.sh")]
                   + sorted(binaries.values()), check=True)
    entries.update(binaries)
    with zipfile.ZipFile(zip_path, "w", zipfile.ZIP_DEFLATED) as z:
        # Qt finds its plugins and catalogues beside the program, wherever it is.
        z.writestr("Seqget/qt.conf", "[Paths]\r\nPrefix = .\r\n")
        for name in sorted(entries):
            z.write(entries[name], "Seqget/" + name)
print(zip_path)
with zipfile.ZipFile(zip_path) as z:
    for info in z.infolist():
        print(f"{info.file_size:>10}  {info.filename}")
