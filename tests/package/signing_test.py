#!/usr/bin/env python3
"""Packages the staged release again, signed with a throw-away certificate
made here: every program, installer and uninstaller verifies, the signed
program runs, and bad signing settings stop with a clear message and leave no
release files. The unsigned release files are left as they were. After
"--" comes package.py's command without --stage and --out.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

sys.dont_write_bytecode = True
from installer_test import WINE64, Prefix, check, failures, wine32_runs

PASSWORD = "throw-away password"


def make_certificates(work):
    """A CA; from it a code-signing certificate (sign.pfx) and one that
    expired yesterday (expired.pfx), both with the password in password.txt."""
    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=work, check=True, capture_output=True)
    (work / "password.txt").write_text(PASSWORD + "\n")
    (work / "wrong.txt").write_text("another password\n")
    (work / "leaf.cnf").write_text("extendedKeyUsage=codeSigning\nkeyUsage=critical,digitalSignature\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
            "-subj", "/CN=Quietfall Test CA", "-addext", "basicConstraints=critical,CA:TRUE")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "leaf.key", "-out", "leaf.csr", "-subj", "/CN=Signer")
    for name, days in (("sign", "1"), ("expired", "-1")):
        openssl("x509", "-req", "-in", "leaf.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-days", days, "-extfile", "leaf.cnf", "-out", name + ".pem")
        openssl("pkcs12", "-export", "-inkey", "leaf.key", "-in", name + ".pem", "-certfile", "ca.pem",
                "-passout", "file:password.txt", "-out", name + ".pfx")


def verifies(ca, path):
    return path.is_file() and subprocess.run(["osslsigncode", "verify", "-CAfile", str(ca), "-in", str(path)],
                                             capture_output=True).returncode == 0


def main():
    split = sys.argv.index("--")
    parser = argparse.ArgumentParser()
    parser.add_argument("--package-dir", type=Path, required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--work-dir", type=Path, required=True)
    args = parser.parse_args(sys.argv[1:split])
    base = Path(os.environ.get("WINEPREFIX", ""))
    started = time.monotonic()
    work, ca = args.work_dir, args.work_dir / "ca.pem"
    shutil.rmtree(work, ignore_errors=True)
    work.mkdir(parents=True)
    make_certificates(work)
    unsigned = {p: p.read_bytes() for p in args.package_dir.rglob("*") if p.is_file()}
    stage = work / "stage" / args.name
    shutil.copytree(args.package_dir / "stage" / args.name, stage)

    # Never a time-stamping server: tests have no network.
    env = {k: v for k, v in os.environ.items() if not k.startswith("QF_SIGN_")}
    env.update(QF_SIGN_PFX=str(work / "sign.pfx"), QF_SIGN_PASSWORD_FILE=str(work / "password.txt"))

    def package(out, **settings):
        result = subprocess.run(sys.argv[split + 1:] + ["--stage", str(stage), "--out", str(out)],
                                env=dict(env, **settings), capture_output=True, text=True)
        check(PASSWORD not in result.stdout + result.stderr, "the password was printed")
        return result

    refused = work / "refused"
    for settings, said in (({"QF_SIGN_PFX": str(work / "none.pfx")}, "QF_SIGN_PFX: no such file"),
                           ({"QF_SIGN_PASSWORD_FILE": str(work / "none.txt")}, "QF_SIGN_PASSWORD_FILE: no such file"),
                           ({"QF_SIGN_PASSWORD_FILE": str(work / "wrong.txt")}, "does not open"),
                           ({"QF_SIGN_PFX": str(work / "expired.pfx")}, "expired on")):
        result = package(refused, **settings)
        left = sorted(p.name for p in refused.rglob("*")) if refused.exists() else []
        check(result.returncode != 0 and said in result.stderr and "Traceback" not in result.stderr and not left,
              f"{settings}: exit code {result.returncode}, said {result.stderr.strip()!r}, left {left}")

    signed = work / "signed"
    result = package(signed)
    check(result.returncode == 0, f"signed packaging exits with {result.returncode}: {result.stderr.strip()}")
    zipfile.ZipFile(signed / (args.name + ".zip")).extractall(work / "unzipped")
    unzipped = work / "unzipped" / args.name
    # An MSI or any other program in the set is checked as soon as it exists.
    expected = [unzipped / "Quietfall.exe", unzipped / "Warmlink.exe", signed / (args.name + "-setup.exe")]
    for path in sorted(set(expected + list(unzipped.rglob("*.exe")) + list(signed.glob("*.exe"))
                           + list(signed.glob("*.msi")))):
        check(verifies(ca, path), f"{path} does not verify")
    check(all(p.read_bytes() == data for p, data in unsigned.items()), "the unsigned release files changed")

    # The uninstaller the signed Setup writes is signed; the signed program runs
    # (a 64-bit build's through the 64-bit loader, which every machine runs).
    win64 = args.name.endswith("-win64")
    if not win64 and not wine32_runs():
        print("SKIPPED the signed Setup and program under Wine: this machine does not run 32-bit programs")
    elif not (base / "system.reg").is_file():
        sys.exit("WINEPREFIX must name the project's test prefix (source scripts/wine-env.sh)")
    else:
        run_signed_setup(base, work, ca, expected[2], WINE64 if win64 else "wine")

    if not failures:
        shutil.rmtree(work, ignore_errors=True)
    print(f"signing test: {time.monotonic() - started:.1f} s, {len(failures)} failure(s)")
    return 1 if failures else 0


def run_signed_setup(base, work, ca, setup, loader):
    prefix = Prefix(base, work / "prefix", work, loader)
    try:
        shutil.copy(setup, prefix.drive_c / "setup.exe")
        rc, _, _ = prefix.run([r"C:\setup.exe", "/S", r"/D=C:\Quietfall"], "signed-setup")
        installed = [prefix.drive_c / "Quietfall" / n for n in ("Uninstall.exe", "Quietfall.exe")]
        check(rc == 0 and all(verifies(ca, path) for path in installed),
              f"the signed Setup exits with {rc}; its Uninstall.exe and Quietfall.exe must verify")
        rc, _, _ = prefix.run([r"C:\Quietfall\Quietfall.exe", "/suspend"], "signed-suspend")
        check(rc == 0, f"the signed Quietfall.exe /suspend exits with {rc}")
    finally:
        prefix.remove()


if __name__ == "__main__":
    sys.exit(main())
