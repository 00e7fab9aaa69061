#!/usr/bin/env python3
"""Builds the two programs and the release files a second time, from a copy
of the source tree in another folder, and checks that the programs and every
release file (zip, .sha256, setup, MSI, SHA256SUMS, manifests) are
byte-identical to the first build's. Checks too that every hash in SHA256SUMS
and the manifests is the real one, and that the manifests parse and hold what
winget and Scoop require (YAML through Debian's python3-yaml: run this with
/usr/bin/python3).

The copy has no git history, so it gets the first build's release time
through SOURCE_DATE_EPOCH, as a build from a tarball of the commit would.
"""
import argparse
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

import yaml

sys.dont_write_bytecode = True


def first_difference(a, b):
    x, y = a.read_bytes(), b.read_bytes()
    if len(x) != len(y):
        return f"sizes {len(x)} and {len(y)}"
    offset = next(i for i in range(len(x)) if x[i] != y[i])
    return f"first difference at byte 0x{offset:x}"


# Each build's architecture: winget's and Scoop's names of it.
ARCHES = {"win32": ("x86", "32bit"), "win64": ("x64", "64bit")}


def check_manifests(package, names):
    """Problems with SHA256SUMS and the manifests in package, a build's
    package folder or the release folder, for the builds named
    Quietfall-<version>-<arch>."""
    problems = []
    version = names[0].split("-")[1]
    real = {f.name: hashlib.sha256(f.read_bytes()).hexdigest()
            for name in names for f in package.glob(name + "*")}
    expected = {name: ARCHES[name.rsplit("-", 1)[1]] for name in names}
    sums = dict(reversed(line.split("  ", 1)) for line in (package / "SHA256SUMS").read_text().splitlines())
    if sorted(sums) != sorted(f"{n}{end}" for n in names for end in (".zip", "-setup.exe", ".msi")):
        problems.append(f"SHA256SUMS lists {sorted(sums)}")
    problems += [f"SHA256SUMS: {f}" for f, digest in sums.items() if real.get(f) != digest]

    def lacks(manifest, where, fields):
        return [f"{where} lacks {f}" for f in fields if f not in manifest]

    winget = {}
    for f in (package / "manifests" / "winget").glob("*.yaml"):
        manifest = yaml.safe_load(f.read_text())
        winget[manifest.get("ManifestType")] = manifest
        problems += lacks(manifest, f.name, ["PackageIdentifier", "PackageVersion", "ManifestType", "ManifestVersion"])
        if (manifest.get("PackageIdentifier"), manifest.get("PackageVersion"), manifest.get("ManifestVersion")) \
                != ("Quietfall.Quietfall", version, "1.12.0"):
            problems.append(f"{f.name} is for {manifest.get('PackageIdentifier')} {manifest.get('PackageVersion')}")
    if sorted(winget) != ["defaultLocale", "installer", "version"]:
        return problems + [f"winget manifests of types {sorted(winget)}"]
    problems += lacks(winget["version"], "version manifest", ["DefaultLocale"])
    problems += lacks(winget["defaultLocale"], "locale manifest",
                      ["PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"])
    installers = []
    for installer in winget["installer"].get("Installers", []):
        problems += lacks(installer, f"{installer.get('InstallerType')} installer",
                          ["Architecture", "InstallerType", "InstallerUrl", "InstallerSha256"])
        file = installer.get("InstallerUrl", "").rsplit("/", 1)[-1]
        installers.append((installer.get("Architecture"), installer.get("InstallerType"), file))
        if real.get(file, "?") != installer.get("InstallerSha256", "").lower():
            problems.append(f"the winget hash of {file}")
    wanted = sorted((arch[0], kind, name + end) for name, arch in expected.items()
                    for kind, end in (("msi", ".msi"), ("nullsoft", "-setup.exe"), ("zip", ".zip")))
    if sorted(installers) != wanted:
        problems.append(f"winget installers {sorted(installers)}, expected {wanted}")

    # What package managers would run from the zips is in them.
    scoop = json.loads((package / "manifests" / "scoop" / "quietfall.json").read_text())
    problems += lacks(scoop, "quietfall.json", ["version", "architecture", "bin"])
    if scoop.get("version") != version:
        problems.append(f"Scoop's version {scoop.get('version')}")
    for name, (_, scoop_arch) in expected.items():
        entry = scoop.get("architecture", {}).get(scoop_arch, {})
        if real.get(entry.get("url", "").rsplit("/", 1)[-1]) != entry.get("hash") or entry.get("extract_dir") != name:
            problems.append(f"Scoop's {scoop_arch} entry {entry}")
        zipped = zipfile.ZipFile(package / f"{name}.zip").namelist()
        nested = [n["RelativeFilePath"].replace("\\", "/") for i in winget["installer"]["Installers"]
                  if i.get("Architecture") == expected[name][0] for n in i.get("NestedInstallerFiles", [])]
        programs = nested + [f"{entry.get('extract_dir')}/{b}" for b in scoop.get("bin", [])]
        problems += [f"{p} is not in {name}.zip" for p in programs if p not in zipped]
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--build-dir", type=Path, required=True, help="the first build")
    parser.add_argument("--name", required=True, help="Quietfall-<version>-<win32 or win64>")
    parser.add_argument("--work-dir", type=Path, required=True)
    args = parser.parse_args()
    started = time.monotonic()

    sys.path.insert(0, str(args.source / "packaging"))
    import package  # the release time the first build used

    cache = (args.build_dir / "CMakeCache.txt").read_text()
    build_type = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", cache, re.M).group(1)
    version = re.search(r"^QF_VERSION:\w+=(.*)$", cache, re.M).group(1)
    # The same architecture's toolchain file, in the copy.
    toolchain = Path(re.search(r"^CMAKE_TOOLCHAIN_FILE:\w+=(.*)$", cache, re.M).group(1)).name

    shutil.rmtree(args.work_dir, ignore_errors=True)
    source = args.work_dir / "another-place" / "quietfall-copy"
    build = args.work_dir / "another-place" / "out"
    top_level_skip = {"build", ".git"}
    shutil.copytree(args.source, source, symlinks=True,
                    ignore=lambda d, names: [n for n in names if Path(d) == args.source and n in top_level_skip]
                    + [n for n in names if n == "__pycache__"])

    env = dict(os.environ, SOURCE_DATE_EPOCH=str(package.release_epoch(args.source)))
    subprocess.run(["cmake", "-S", str(source), "-B", str(build), "-G", "Ninja",
                    "-DCMAKE_TOOLCHAIN_FILE=" + str(source / "cmake" / toolchain),
                    "-DCMAKE_BUILD_TYPE=" + build_type, "-DQF_VERSION=" + version, "-DQF_BUILD_TESTS=OFF"],
                   env=env, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "qf_package"],
                   env=env, check=True, stdout=subprocess.DEVNULL)

    compared = ["bin/Quietfall.exe", "bin/Warmlink.exe", f"package/{args.name}.zip",
                f"package/{args.name}.zip.sha256", f"package/{args.name}-setup.exe",
                f"package/{args.name}.msi", "package/SHA256SUMS"]
    manifests = args.build_dir / "package" / "manifests"
    compared += sorted(f.relative_to(args.build_dir).as_posix() for f in manifests.rglob("*") if f.is_file())
    problems = check_manifests(args.build_dir / "package", [args.name])
    for problem in problems:
        print("FAIL " + problem)
    failures = len(problems)
    for rel in compared:
        first, second = args.build_dir / rel, build / rel
        if not first.is_file() or not second.is_file():
            print(f"FAIL {rel}: missing from a build")
            failures += 1
        elif first.read_bytes() != second.read_bytes():
            print(f"FAIL {rel} differs between the builds: {first_difference(first, second)}")
            failures += 1
        else:
            print(f"same {rel} ({first.stat().st_size} bytes)")
    if failures == 0:
        shutil.rmtree(args.work_dir, ignore_errors=True)
    print(f"reproducible build test: {time.monotonic() - started:.1f} s, {failures} failure(s)")
    return 1 if failures else 0


def release_main():
    """reproducible_test.py release FOLDER NAME...: the checksums and manifests
    of a release folder that package.py release made, for the builds named
    (Quietfall-<version>-<arch>)."""
    folder, names = Path(sys.argv[2]), sys.argv[3:]
    problems = check_manifests(folder, names)
    for problem in problems:
        print("FAIL " + problem)
    print(f"release of {', '.join(names)}: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(release_main() if sys.argv[1:2] == ["release"] else main())
