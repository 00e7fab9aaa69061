#!/usr/bin/env python3
"""Makes the release files from the folder the install rules staged.

  <name>.zip          one folder <name>/ with everything the install rules put
                      there, every entry stamped with one fixed time
  <name>.zip.sha256   its SHA-256, as sha256sum writes it
  <name>-setup.exe    the per-user installer (makensis, Quietfall.nsi), with
                      a picture made from the program's icon (ImageMagick)

Both are byte-identical for two builds of one commit: the entries are sorted,
their time is SOURCE_DATE_EPOCH (else the time of the commit, else a fixed
one) and the installer stores no file times.

With QF_SIGN_PFX and QF_SIGN_PASSWORD_FILE set, the staged programs, the
uninstaller and the installer are signed (packaging/signing.py), the
programs first, so that every package carries the same signed copies. The
files are made in a temporary folder and moved into place only when all of
them are done: a failure leaves no partial or half-signed set behind.
"""
import argparse
import hashlib
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unicodedata
import zipfile
from pathlib import Path

import signing

# Used when neither SOURCE_DATE_EPOCH nor git gives a time (a tarball build).
FALLBACK_EPOCH = 1767225600  # 2026-01-01 00:00:00 UTC


def release_epoch(source_dir):
    if os.environ.get("SOURCE_DATE_EPOCH"):
        return int(os.environ["SOURCE_DATE_EPOCH"])
    def git(*args):
        return subprocess.run(["git", "-C", str(source_dir)] + list(args),
                              capture_output=True, text=True, check=True).stdout.strip()
    try:
        # Only the tree's own history: not that of a checkout it was unpacked in.
        if Path(git("rev-parse", "--show-toplevel")).resolve() != Path(source_dir).resolve():
            return FALLBACK_EPOCH
        return int(git("log", "-1", "--format=%ct"))
    except (OSError, subprocess.CalledProcessError, ValueError):
        return FALLBACK_EPOCH


def make_zip(stage, zip_path, epoch):
    # ZIP stores local time without a zone; the UTC fields of the epoch are
    # what every build writes. ZIP cannot hold times before 1980.
    stamp = time.gmtime(max(epoch, 315532800))[:6]
    top = stage.name
    tmp = zip_path.with_suffix(".zip.tmp")
    with zipfile.ZipFile(tmp, "w") as archive:
        for path in [stage] + sorted(stage.rglob("*")):
            name = top + "/" + path.relative_to(stage).as_posix() if path != stage else top
            info = zipfile.ZipInfo(name + "/" if path.is_dir() else name, date_time=stamp)
            info.create_system = 0  # MS-DOS attributes, as Windows' own zips
            if path.is_dir():
                info.external_attr = 0x10  # directory
                archive.writestr(info, b"")
            else:
                info.external_attr = 0x20  # archive
                info.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(info, path.read_bytes(), compresslevel=9)
    tmp.replace(zip_path)
    digest = hashlib.sha256(zip_path.read_bytes()).hexdigest()
    Path(str(zip_path) + ".sha256").write_text(f"{digest}  {zip_path.name}\n")


def nsis_escape(text):
    return text.replace("$", "$$").replace('"', '$\\"')


def quoted(text):
    return '"' + text + '"'


LANGUAGE_TABLE = Path(__file__).with_name("languages.txt")


class Language:
    def __init__(self, file, own_name, nsis, ids):
        self.file, self.own_name, self.nsis = file, own_name, nsis
        ids = [int(i, 16) for i in ids.split()]
        self.exact_ids = [i for i in ids if i > 0x3FF]
        self.primary_ids = [i for i in ids if i <= 0x3FF]


def read_languages(stage):
    """The table's rows, English first; every language file in lang/ must
    have a row, and every row its file."""
    rows = []
    for number, line in enumerate(LANGUAGE_TABLE.read_text(encoding="utf-8").splitlines(), 1):
        if line.strip() and not line.startswith("#"):
            fields = re.split(r"\t+| {2,}", line.strip())
            try:
                rows.append(Language(*fields))
            except (TypeError, ValueError):
                sys.exit(f"package: {LANGUAGE_TABLE}:{number}: expected a file name, an own name, "
                         f"an NSIS language and language ids (0x..): {line!r}")
    files = {p.stem for p in (stage / "lang").glob("*.ini")}
    listed = {row.file for row in rows}
    if files - listed:
        sys.exit(f"package: no row in {LANGUAGE_TABLE} for lang/"
                 + ", lang/".join(name + ".ini" for name in sorted(files - listed))
                 + ": add its file name, its name in its own language, its NSIS language and its "
                 "Windows language ids, and its words to packaging/setup-texts.nsh")
    if listed - files:
        sys.exit(f"package: {LANGUAGE_TABLE} lists {', '.join(sorted(listed - files))}, "
                 "but lang/ holds no such .ini file")
    if "English" not in files:
        sys.exit("package: lang/English.ini is missing from the staged files")
    return sorted(rows, key=lambda row: row.file != "English")


def finding_order(name):
    """Where a user looks for a language's own name: Latin names
    alphabetically, accents aside, then each other script together."""
    letters = unicodedata.normalize("NFKD", name)
    return "".join(c for c in letters if not unicodedata.combining(c)).casefold()


def lookup_macro(name, comment, target, tests, otherwise, first=()):
    """A macro that sets `target` to the value of the first test (a StrCmp or
    IntCmp of two values) that finds them equal, else to `otherwise`."""
    lines = ["; " + line for line in comment] + ["!macro " + name] + ["  " + line for line in first]
    for test, value in tests:
        jump = " 0 +3 +3" if test.startswith("IntCmp") else " 0 +3"
        lines += [f"  {test}{jump}", f"    StrCpy {target} {value}", f"    Goto {name}_done"]
    return lines + [f"  StrCpy {target} {otherwise}", f"  {name}_done:", "!macroend", ""]


def write_nsis_lists(stage, include_path):
    """The installer's file list, the uninstaller's, and the languages."""
    folders = sorted({p.parent.relative_to(stage) for p in stage.rglob("*") if p.is_file()},
                     key=lambda p: p.as_posix())
    lines = ["; Generated by packaging/package.py from the staged files and",
             "; packaging/languages.txt.", "",
             "!macro QF_INSTALL_FILES"]
    for folder in folders:
        sub = "" if folder == Path(".") else "\\" + nsis_escape(folder.as_posix().replace("/", "\\"))
        lines.append("  SetOutPath " + quoted("$INSTDIR" + sub))
        for f in sorted(p for p in (stage / folder).iterdir() if p.is_file()):
            lines.append("  File " + quoted(nsis_escape(str(f))))
    lines.append("  SetOutPath \"$INSTDIR\"")
    lines += ["!macroend", "", "!macro QF_DELETE_FILES"]
    for f in sorted(p for p in stage.rglob("*") if p.is_file()):
        win = nsis_escape(f.relative_to(stage).as_posix().replace("/", "\\"))
        lines.append("  Delete " + quoted("$INSTDIR\\" + win))
    lines += ["!macroend", ""]

    languages = read_languages(stage)
    lang_id = {row.file: "${LANG_" + row.nsis.upper() + "}" for row in languages}
    file_q = {row.file: quoted(nsis_escape(row.file)) for row in languages}
    own_q = {row.file: quoted(nsis_escape(row.own_name)) for row in languages}
    lines += ["; Setup's pages in every language (English, the first, is NSIS's default).",
              "!macro QF_MUI_LANGUAGES"]
    lines += [f"  !insertmacro MUI_LANGUAGE {quoted(row.nsis)}" for row in languages]
    lines += ["!macroend", "", "!macro QF_ADD_LANGUAGES LISTBOX"]
    for row in sorted(languages, key=lambda row: finding_order(row.own_name)):
        lines.append("  ${NSD_LB_AddString} ${LISTBOX} " + own_q[row.file])
    lines += ["!macroend", ""]
    lines += lookup_macro("QF_CANONICAL_LANGUAGE",
                          ["$R0 in: a language file name in any letter case; out: the name as",
                           "the file is called, or empty when there is no such language file."],
                          "$R0", [(f"StrCmp $R0 {file_q[r.file]}", file_q[r.file]) for r in languages], '""')
    lines += lookup_macro("QF_OWN_NAME", ["$R0 in: a language file name; out: the language's own name."],
                          "$R0", [(f"StrCmp $R0 {file_q[r.file]}", own_q[r.file]) for r in languages], '""')
    lines += lookup_macro("QF_FILE_OF_OWN_NAME", ["$R0 in: a language's own name; out: its file name."],
                          "$R0", [(f"StrCmp $R0 {own_q[r.file]}", file_q[r.file]) for r in languages], '""')
    lines += lookup_macro("QF_FILE_OF_SETUP_LANGUAGE",
                          ["$R0 out: the language file in the language of Setup's pages."],
                          "$R0", [(f"IntCmp $LANGUAGE {lang_id[r.file]}", file_q[r.file]) for r in languages],
                          '"English"')
    exact = [(f"IntCmp $0 0x{i:04X}", lang_id[r.file]) for r in languages for i in r.exact_ids]
    primary = [(f"IntCmp $1 0x{i:02X}", lang_id[r.file]) for r in languages for i in r.primary_ids]
    lines += lookup_macro("QF_SETUP_LANGUAGE",
                          ["$0 in: a Windows display language id. Sets $LANGUAGE, the language of",
                           "Setup's pages: the language listed for that exact id, else the one",
                           "listed for its primary language, else English. Uses $1."],
                          "$LANGUAGE", exact + primary, lang_id["English"], first=["IntOp $1 $0 & 0x3FF"])
    include_path.write_text("\n".join(lines), encoding="utf-8")


def make_wizard_bitmap(icon, bmp_path):
    """The picture beside the installer's last page: the program's largest
    icon on a light gradient, 164 by 314 pixels as the wizard wants it."""
    widths = subprocess.run(["identify", "-format", "%w\n", str(icon)], capture_output=True,
                            text=True, check=True).stdout.split()
    largest = max(range(len(widths)), key=lambda i: int(widths[i]))
    subprocess.run(["convert", "-size", "164x314", "gradient:#FFFFFF-#D5E1EC",
                    "(", f"{icon}[{largest}]", ")", "-gravity", "north", "-geometry", "+0+56",
                    "-composite", "-type", "truecolor", "BMP3:" + str(bmp_path)], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", type=Path, required=True, help="source tree (for the commit time)")
    parser.add_argument("--stage", type=Path, required=True, help="staged folder <name>")
    parser.add_argument("--out", type=Path, required=True, help="folder for the release files")
    parser.add_argument("--version", required=True, help="x.y.z")
    parser.add_argument("--nsi", type=Path, required=True)
    parser.add_argument("--icon", type=Path, required=True)
    parser.add_argument("--makensis", default="makensis")
    parser.add_argument("--define", action="append", default=[], metavar="NAME=VALUE",
                        help="passed to makensis as -DNAME=VALUE")
    args = parser.parse_args()

    stage = args.stage.resolve()
    epoch = release_epoch(args.source)
    args.out.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix=".unfinished-", dir=args.out))
    try:
        signer = signing.from_environment(epoch)
        make_release(args, stage, epoch, signer, work)
        finished = sorted(work.iterdir())
        for f in finished:
            if (args.out / f.name).is_dir():
                shutil.rmtree(args.out / f.name)
            f.replace(args.out / f.name)
    except signing.SigningError as error:
        sys.exit(f"package: {error}; no release files were written")
    except subprocess.CalledProcessError as error:
        sys.exit(f"package: {Path(error.cmd[0]).name} failed (exit code {error.returncode}); "
                 "no release files were written")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for f in finished:
        f = args.out / f.name
        print(f"{f}  {f.stat().st_size} bytes")


def make_release(args, stage, epoch, signer, out):
    """Makes every release file in out, a temporary folder. With a signer,
    each program and installer is signed as it is made (signer.sign(path)),
    and files that list checksums come after all signing."""
    if signer:
        for program in sorted(stage.rglob("*.exe")):
            signer.sign(program)
    zip_path = out / (stage.name + ".zip")
    make_zip(stage, zip_path, epoch)

    if not shutil.which(args.makensis):
        sys.exit("package: makensis not found; scripts/bootstrap.sh installs it (Debian package nsis)")
    # The installer's inputs stay beside the staged folder, out of the way.
    include = stage.parent / "installer-files.nsh"
    write_nsis_lists(stage, include)
    bitmap = stage.parent / "wizard.bmp"
    make_wizard_bitmap(args.icon.resolve(), bitmap)
    setup = out / (stage.name + "-setup.exe")
    subprocess.run([args.makensis, "-V2", "-WX", "-INPUTCHARSET", "UTF8",
                    "-DVERSION=" + args.version,
                    "-DFILES_NSH=" + str(include.resolve()),
                    "-DICON=" + str(args.icon.resolve()),
                    "-DWIZARD_BITMAP=" + str(bitmap.resolve()),
                    "-DOUTFILE=" + str(setup.resolve())]
                   + ["-D" + d for d in args.define]
                   # Quietfall.nsi signs the uninstaller and the installer with it.
                   + (["-DSIGN_COMMAND=" + signer.hook_command()] if signer else [])
                   + [str(args.nsi)], check=True)


if __name__ == "__main__":
    main()
