#!/usr/bin/env python3
"""Signs the release's programs and installers (Authenticode, SHA-256) with
osslsigncode. This is the one place that signs.

make package takes its settings from the environment:
  QF_SIGN_PFX             the certificate with its private key (a .pfx file)
  QF_SIGN_PASSWORD_FILE   a file that holds the .pfx's password
  QF_SIGN_TIMESTAMP_URL   optional: a time-stamping server (RFC 3161)
Without QF_SIGN_PFX nothing is signed.

The password reaches openssl through a pipe and osslsigncode through its
file, never a command line, and nothing of the key is written anywhere.
Every signature carries the release time as its signing time, so without a
time stamp two signed builds of one commit with one certificate are
byte-identical.

As a command (NSIS's finalize hooks; scripts/package.sh checks the settings
with it before it builds anything):
  signing.py [--pfx F --password-file F --timestamp-url U] [--time T] [FILE...]
The settings default to the environment's. Without FILE it only checks them.
"""
import argparse
import calendar
import os
import re
import shlex
import shutil
import subprocess
import sys
import time
from pathlib import Path

PFX, PASSWORD_FILE, TIMESTAMP_URL = "QF_SIGN_PFX", "QF_SIGN_PASSWORD_FILE", "QF_SIGN_TIMESTAMP_URL"
DESCRIPTION = "Quietfall"  # what Windows shows as the signed program's name


class SigningError(Exception):
    """A problem with the signing settings or a signature; the message names it."""


def require(tool, package):
    if not shutil.which(tool):
        raise SigningError(f"{tool} not found; scripts/bootstrap.sh installs it (Debian package {package})")


def openssl_date(text):
    """Seconds since 1970 of a date as openssl prints it: Dec  8 19:56:15 2026 GMT."""
    return calendar.timegm(time.strptime(text, "%b %d %H:%M:%S %Y GMT"))


def reasons(output):
    """osslsigncode's messages, with OpenSSL's error lines cut to their reason."""
    said = []
    for line in output.splitlines():
        # 40C0...:error:8000006F:system library:BIO_connect:Connection refused:../crypto/...
        openssl_error = re.match(r"[0-9A-F]+:error:[0-9A-F]+:[^:]*:[^:]*:([^:]*)", line)
        text = openssl_error.group(1) if openssl_error else line.strip()
        if text and text not in ("Failed", "Succeeded") and text not in said:
            said.append(text)
    return "; ".join(said[:3]) or "no reason given"


class Signer:
    def __init__(self, pfx, password_file, timestamp_url=None, epoch=None):
        self.pfx = Path(pfx).absolute()
        self.password_file = Path(password_file).absolute()
        self.timestamp_url = timestamp_url or None
        self.epoch = epoch  # the signing time; None: now

    def check(self):
        """Stops with a SigningError unless the files exist, the password opens
        the .pfx, and its certificate is valid now."""
        for path, variable in ((self.pfx, PFX), (self.password_file, PASSWORD_FILE)):
            if not path.is_file():
                raise SigningError(f"{variable}: no such file: {path}")
        require("openssl", "openssl")
        require("osslsigncode", "osslsigncode")
        # Only the certificate that goes with the key (-clcerts), never the key.
        certificate = self._openssl_pkcs12()
        if "BEGIN CERTIFICATE" not in certificate:
            raise SigningError(f"{self.pfx} holds no certificate for its key")
        fields = dict(line.split("=", 1) for line in subprocess.run(
            ["openssl", "x509", "-noout", "-subject", "-startdate", "-enddate"], input=certificate,
            capture_output=True, text=True, check=True).stdout.splitlines())
        subject = fields["subject"].strip()
        now = time.time()
        if now < openssl_date(fields["notBefore"]):
            raise SigningError(f"the certificate in {self.pfx} ({subject}) is not valid before {fields['notBefore']}")
        if now >= openssl_date(fields["notAfter"]):
            raise SigningError(f"the certificate in {self.pfx} ({subject}) expired on {fields['notAfter']}")

    def _openssl_pkcs12(self):
        # osslsigncode ignores line ends after the password; openssl would not.
        try:
            password = self.password_file.read_bytes().rstrip(b"\r\n") + b"\n"
        except OSError as error:
            raise SigningError(f"{PASSWORD_FILE}: cannot read {self.password_file}: {error.strerror}")
        base = ["openssl", "pkcs12", "-in", str(self.pfx), "-nokeys", "-clcerts", "-passin", "stdin"]
        # A .pfx exported by older Windows is encrypted with RC2, which
        # OpenSSL 3 reads only with its legacy provider.
        for command in (base, base + ["-legacy"]):
            result = subprocess.run(command, input=password, capture_output=True)
            error = result.stderr.decode(errors="replace")
            if result.returncode == 0:
                return result.stdout.decode(errors="replace")
            if "invalid password" in error or "mac verify failure" in error:
                raise SigningError(f"the password in {self.password_file} does not open {self.pfx}")
            if "unsupported" not in error:
                break
        raise SigningError(f"{self.pfx} is not a .pfx (PKCS#12) file that openssl can read")

    def sign(self, path):
        """Signs a program or an MSI in place; raises SigningError on failure."""
        path = Path(path)
        # osslsigncode will not write over its input.
        signed = path.with_name(path.name + ".signed")
        signed.unlink(missing_ok=True)
        command = ["osslsigncode", "sign", "-pkcs12", str(self.pfx), "-readpass", str(self.password_file),
                   "-h", "sha256", "-n", DESCRIPTION]
        if self.epoch is not None:
            command += ["-time", str(self.epoch)]
        if self.timestamp_url:
            command += ["-ts", self.timestamp_url]
        try:
            result = subprocess.run(command + ["-in", str(path), "-out", str(signed)],
                                    capture_output=True, text=True)
            if result.returncode != 0 or not signed.is_file():
                raise SigningError(f"osslsigncode could not sign {path}: " + reasons(result.stdout + result.stderr))
            shutil.copymode(path, signed)
            signed.replace(path)
        finally:
            signed.unlink(missing_ok=True)

    def hook_command(self):
        """This script as a shell command that signs with these settings the
        file named after it (for makensis, which adds "%1")."""
        words = [sys.executable, str(Path(__file__).resolve()), "--pfx", str(self.pfx),
                 "--password-file", str(self.password_file)]
        if self.timestamp_url:
            words += ["--timestamp-url", self.timestamp_url]
        if self.epoch is not None:
            words += ["--time", str(self.epoch)]
        return " ".join(shlex.quote(w) for w in words)


def signer_for(pfx, password_file, timestamp_url, epoch=None):
    """A checked Signer, or None when nothing is to be signed."""
    if not pfx:
        if password_file or timestamp_url:
            raise SigningError(f"{PASSWORD_FILE} and {TIMESTAMP_URL} need {PFX}, the certificate to sign with")
        return None
    if not password_file:
        raise SigningError(f"{PFX} needs {PASSWORD_FILE}, a file that holds the certificate's password")
    signer = Signer(pfx, password_file, timestamp_url, epoch)
    signer.check()
    return signer


def from_environment(epoch=None):
    return signer_for(os.environ.get(PFX), os.environ.get(PASSWORD_FILE),
                      os.environ.get(TIMESTAMP_URL), epoch)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--pfx", default=os.environ.get(PFX))
    parser.add_argument("--password-file", default=os.environ.get(PASSWORD_FILE))
    parser.add_argument("--timestamp-url", default=os.environ.get(TIMESTAMP_URL))
    parser.add_argument("--time", type=int, help="signing time, seconds since 1970 (default: now)")
    parser.add_argument("files", nargs="*", type=Path)
    args = parser.parse_args()
    try:
        signer = signer_for(args.pfx, args.password_file, args.timestamp_url, args.time)
        if args.files and signer is None:
            raise SigningError(f"nothing to sign with: set {PFX} and {PASSWORD_FILE}")
        for path in args.files:
            signer.sign(path)
    except SigningError as error:
        sys.exit(f"signing: {error}")


if __name__ == "__main__":
    main()
