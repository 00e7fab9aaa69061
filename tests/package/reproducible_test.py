#!/usr/bin/env python3
"""Builds the two programs and the release files a second time, from a copy
of the source tree in another folder, and checks that the programs, the zip,
its .sha256 and the installer are byte-identical to the first build's.

The copy has no git history, so it gets the first build's release time
through SOURCE_DATE_EPOCH, as a build from a tarball of the commit would.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time
from pathlib import Path

sys.dont_write_bytecode = True


def first_difference(a, b):
    x, y = a.read_bytes(), b.read_bytes()
    if len(x) != len(y):
        return f"sizes {len(x)} and {len(y)}"
    offset = next(i for i in range(len(x)) if x[i] != y[i])
    return f"first difference at byte 0x{offset:x}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--build-dir", type=Path, required=True, help="the first build")
    parser.add_argument("--name", required=True, help="Quietfall-<version>-win32")
    parser.add_argument("--work-dir", type=Path, required=True)
    args = parser.parse_args()
    started = time.monotonic()

    sys.path.insert(0, str(args.source / "packaging"))
    import package  # the release time the first build used

    cache = (args.build_dir / "CMakeCache.txt").read_text()
    build_type = re.search(r"^CMAKE_BUILD_TYPE:\w+=(.*)$", cache, re.M).group(1)

    shutil.rmtree(args.work_dir, ignore_errors=True)
    source = args.work_dir / "another-place" / "quietfall-copy"
    build = args.work_dir / "another-place" / "out"
    top_level_skip = {"build", ".git"}
    shutil.copytree(args.source, source, symlinks=True,
                    ignore=lambda d, names: [n for n in names if Path(d) == args.source and n in top_level_skip]
                    + [n for n in names if n == "__pycache__"])

    env = dict(os.environ, SOURCE_DATE_EPOCH=str(package.release_epoch(args.source)))
    subprocess.run(["cmake", "-S", str(source), "-B", str(build), "-G", "Ninja",
                    "-DCMAKE_TOOLCHAIN_FILE=" + str(source / "cmake" / "i686-w64-mingw32.cmake"),
                    "-DCMAKE_BUILD_TYPE=" + build_type, "-DQF_BUILD_TESTS=OFF"],
                   env=env, check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", str(build), "--target", "qf_package"],
                   env=env, check=True, stdout=subprocess.DEVNULL)

    compared = ["bin/Quietfall.exe", "bin/Warmlink.exe", f"package/{args.name}.zip",
                f"package/{args.name}.zip.sha256", f"package/{args.name}-setup.exe"]
    failures = 0
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


if __name__ == "__main__":
    sys.exit(main())
