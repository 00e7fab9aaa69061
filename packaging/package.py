#!/usr/bin/env python3
"""Makes the release files from the folder the install rules staged.

  <name>.zip          one folder <name>/ with everything the install rules put
                      there, every entry stamped with one fixed time
  <name>.zip.sha256   its SHA-256, as sha256sum writes it
  <name>-setup.exe    the per-user installer (makensis, Quietfall.nsi), with
                      a picture made from the program's icon (ImageMagick)
  <name>.msi          the per-machine Windows Installer package (wixl and
                      msibuild, Quietfall.wxs)
  SHA256SUMS          the SHA-256 of those three, for sha256sum -c
  manifests/          winget's manifest set and Scoop's manifest, with the
                      download addresses under QF_RELEASE_URL

All are byte-identical for two builds of one commit: the release time is
SOURCE_DATE_EPOCH (else the time of the commit, else a fixed one); the zip's
entries are sorted and carry that time, the setup stores no file times, and
the MSI's files, codes and summary times are fixed.

With QF_SIGN_PFX and QF_SIGN_PASSWORD_FILE set, the staged programs, the
uninstaller, the installer and the MSI are signed (packaging/signing.py), the
programs first, so that every package carries the same signed copies, and
SHA256SUMS and the manifests last. The files are made in a temporary folder
and moved into place only when all of them are done: a failure leaves no
partial or half-signed set behind.
"""
import argparse
import hashlib
import json
import os
import re
import struct
import shutil
import subprocess
import sys
import tempfile
import time
import unicodedata
import uuid
import zipfile
from pathlib import Path

import signing

# Used when neither SOURCE_DATE_EPOCH nor git gives a time (a tarball build).
FALLBACK_EPOCH = 1767225600  # 2026-01-01 00:00:00 UTC

# Windows Installer knows every version of Quietfall as one product by this
# code: never change it, or a new version installs beside the old one.
UPGRADE_CODE = uuid.UUID("4e774781-165c-41ed-95c2-862f30f2bcd1")


class Arch:
    """What a Windows build's release files say of its processor."""

    def __init__(self, name, upgrade_code, wixl, platform, program_files, winget, scoop):
        self.name = name                    # win32, win64: the files' suffix
        self.upgrade_code = upgrade_code    # the MSI's; also names its codes
        self.wixl = wixl                    # wixl --arch
        self.platform = platform            # the MSI summary's platform
        self.program_files = program_files  # the MSI's folder under TARGETDIR
        self.winget = winget                # winget's Architecture
        self.scoop = scoop                  # Scoop's architecture key
        self.win64 = "yes" if program_files == "ProgramFiles64Folder" else "no"  # the components' Win64


# The 64-bit MSI is a product of its own (its own UpgradeCode): it upgrades
# and removes only itself, into the 64-bit Program Files folder.
ARCHES = {
    "win32": Arch("win32", UPGRADE_CODE, "x86", "Intel", "ProgramFilesFolder", "x86", "32bit"),
    "win64": Arch("win64", uuid.UUID("a3c1f0d2-5b7e-4c1a-9d83-2e6b0f4c7a15"), "x64", "x64",
                  "ProgramFiles64Folder", "x64", "64bit"),
}

# Where the release files are downloaded from; {version} is the version.
# The default names no real server: a release sets QF_RELEASE_URL.
DEFAULT_RELEASE_URL = "https://quietfall.example.org/releases/download/v{version}/"


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
    write_checksums(Path(str(zip_path) + ".sha256"), [zip_path])


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


def make_setup(stage, out_dir, version, nsi, icon, makensis, defines, arch=ARCHES["win32"]):
    if not shutil.which(makensis):
        sys.exit("package: makensis not found; scripts/bootstrap.sh installs it (Debian package nsis)")
    # The installer's inputs stay beside the staged folder, out of the way.
    include = stage.parent / "installer-files.nsh"
    write_nsis_lists(stage, include)
    bitmap = stage.parent / "wizard.bmp"
    make_wizard_bitmap(icon.resolve(), bitmap)
    setup = out_dir / (stage.name + "-setup.exe")
    subprocess.run([makensis, "-V2", "-WX", "-INPUTCHARSET", "UTF8",
                    "-DVERSION=" + version,
                    "-DFILES_NSH=" + str(include.resolve()),
                    "-DICON=" + str(icon.resolve()),
                    "-DWIZARD_BITMAP=" + str(bitmap.resolve()),
                    "-DOUTFILE=" + str(setup.resolve()), "-DARCH=" + arch.name]
                   + ["-D" + d for d in defines] + [str(nsi)], check=True)
    return setup


def msi_product_code(version, arch=ARCHES["win32"]):
    """Each version's own ProductCode, the same in every build of it."""
    return "{" + str(uuid.uuid5(arch.upgrade_code, "product " + version)).upper() + "}"


def wix_id(prefix, rel):
    # Identifiers allow letters, digits, _ and . only, at most 72 characters.
    ident = prefix + re.sub(r"[^A-Za-z0-9_.]", "_", rel.as_posix().replace("/", "."))
    if len(ident) > 72:
        sys.exit(f"package: {rel} makes the identifier {ident}, too long for Windows Installer")
    return ident


def write_wix_files(stage, fragment, arch):
    """installer-files.wxs: a component per staged file, in the same folders
    under INSTALLDIR, the group QuietfallFiles naming them all. A component's
    GUID follows from its path, so it stays the same from version to version."""
    def xml(text):
        return text.replace("&", "&amp;").replace('"', "&quot;").replace("<", "&lt;")
    lines = ['<?xml version="1.0" encoding="utf-8"?>',
             "<!-- Generated by packaging/package.py from the staged files. -->",
             '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">', "  <Fragment>",
             '    <DirectoryRef Id="INSTALLDIR">']
    components = []

    def folder(path, depth):
        indent = "      " + "  " * depth
        for f in sorted(p for p in path.iterdir() if p.is_file()):
            rel = f.relative_to(stage)
            component = wix_id("c.", rel)
            guid = str(uuid.uuid5(arch.upgrade_code, "file " + rel.as_posix())).upper()
            source = (stage.name / rel).as_posix()
            lines.append(f'{indent}<Component Id="{component}" Guid="{guid}" Win64="{arch.win64}">')
            lines.append(f'{indent}  <File Id="{wix_id("f.", rel)}" Name="{xml(f.name)}" '
                         f'Source="{xml(source)}" KeyPath="yes"/>')
            lines.append(f"{indent}</Component>")
            components.append(component)
        for sub in sorted(p for p in path.iterdir() if p.is_dir()):
            lines.append(f'{indent}<Directory Id="{wix_id("d.", sub.relative_to(stage))}" Name="{xml(sub.name)}">')
            folder(sub, depth + 1)
            lines.append(f"{indent}</Directory>")

    folder(stage, 0)
    if len(set(components)) != len(components):
        sys.exit("package: two staged files make the same installer identifier")
    lines += ["    </DirectoryRef>", '    <ComponentGroup Id="QuietfallFiles">']
    lines += [f'      <ComponentRef Id="{c}"/>' for c in components]
    lines += ["    </ComponentGroup>", "  </Fragment>", "</Wix>", ""]
    fragment.write_text("\n".join(lines), encoding="utf-8")


def set_summary_times(msi, epoch):
    """Sets the creation and last-saved times in the MSI's summary
    information, which wixl sets to now, by rewriting the two FILETIME
    values in place in the compound file (msibuild cannot set them)."""
    data = bytearray(msi.read_bytes())
    if data[:8] != bytes.fromhex("d0cf11e0a1b11ae1"):
        sys.exit(f"package: {msi} is not a compound file")
    sector_size = 1 << struct.unpack_from("<H", data, 30)[0]
    mini_size = 1 << struct.unpack_from("<H", data, 32)[0]
    first_dir, = struct.unpack_from("<I", data, 48)
    mini_cutoff, first_mini_fat = struct.unpack_from("<II", data, 56)
    if struct.unpack_from("<I", data, 72)[0]:
        sys.exit(f"package: {msi} is too large for this reader (it has DIFAT sectors)")
    fat_sectors = [s for s in struct.unpack_from("<109I", data, 76) if s < 0xFFFFFFFA]
    fat = [n for s in fat_sectors
           for n in struct.unpack_from(f"<{sector_size // 4}I", data, (s + 1) * sector_size)]  # after the header

    def chain(first, table):
        s = first
        while s < 0xFFFFFFFA:  # the special values end a chain
            yield s
            s = table[s]

    def offsets(first, table, unit, place, size=None):
        """File offsets of a stream's bytes, from its chain of sectors."""
        return [place(s) + i for s in chain(first, table) for i in range(unit)][:size]

    def sector(s):
        return (s + 1) * sector_size  # after the header, itself one sector

    dir_offsets = offsets(first_dir, fat, sector_size, sector)
    entries = [bytes(data[o] for o in dir_offsets[i:i + 128]) for i in range(0, len(dir_offsets), 128)]
    mini_fat_bytes = bytes(data[o] for o in offsets(first_mini_fat, fat, sector_size, sector))
    mini_fat = struct.unpack(f"<{len(mini_fat_bytes) // 4}I", mini_fat_bytes)
    # Small streams live in the mini stream, the root entry's stream.
    mini_stream = offsets(struct.unpack_from("<I", entries[0], 116)[0], fat, sector_size, sector)
    name = "\x05SummaryInformation".encode("utf-16-le")
    entry = next((e for e in entries if e[:len(name)] == name and e[len(name):len(name) + 2] == b"\0\0"), None)
    if entry is None:
        sys.exit(f"package: {msi} has no summary information")
    start, size = struct.unpack_from("<II", entry, 116)
    if size >= mini_cutoff:
        sys.exit(f"package: {msi}'s summary information is larger than expected")
    where = offsets(start, mini_fat, mini_size, lambda m: mini_stream[m * mini_size], size)
    stream = bytearray(data[o] for o in where)

    # A property set: its section's offset at 44, then (id, offset) pairs.
    section, = struct.unpack_from("<I", stream, 44)
    count, = struct.unpack_from("<I", stream, section + 4)
    filetime = (epoch + 11644473600) * 10_000_000  # 100 ns since 1601
    stamped = 0
    for i in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        if pid in (12, 13) and struct.unpack_from("<I", stream, section + at)[0] == 0x40:  # VT_FILETIME
            struct.pack_into("<Q", stream, section + at + 4, filetime)
            stamped += 1
    if stamped != 2:
        sys.exit(f"package: {msi}'s summary information lacks its two times")
    for o, b in zip(where, stream):
        data[o] = b
    msi.write_bytes(data)


def make_msi(stage, out_dir, version, wxs, icon, publisher, help_link, epoch, sign=None, arch=ARCHES["win32"]):
    """<name>.msi, built with wixl from wxs and the staged files. Its times
    and codes are fixed, so that two builds are identical; sign, when given,
    is called with the finished package's path before it is renamed into
    place, so that the .msi never exists unfinished."""
    for tool in ("wixl", "msibuild"):
        if not shutil.which(tool):
            sys.exit(f"package: {tool} not found; scripts/bootstrap.sh installs it (Debian packages wixl, msitools)")
    # The cabinet keeps each file's time.
    for f in stage.rglob("*"):
        os.utime(f, (epoch, epoch))
    fragment = stage.parent / "installer-files.wxs"
    write_wix_files(stage, fragment, arch)
    msi = out_dir / (stage.name + ".msi")
    tmp = msi.with_suffix(".msi.tmp")
    defines = {
        "Version": version, "ProductCode": msi_product_code(version, arch),
        "UpgradeCode": "{" + str(arch.upgrade_code).upper() + "}",
        "MenuComponentGuid": str(uuid.uuid5(arch.upgrade_code, "start menu")).upper(),
        "ProgramFilesFolder": arch.program_files, "Win64": arch.win64,
        "Publisher": publisher, "HelpLink": help_link,
        # wixl takes paths relative to the .wxs that names them.
        "Icon": os.path.relpath(icon.resolve(), wxs.resolve().parent),
    }
    result = subprocess.run(["wixl", "--arch", arch.wixl, "-o", str(tmp)]
                            + [a for k, v in defines.items() for a in ("-D", f"{k}={v}")] + [str(wxs), str(fragment)],
                            capture_output=True, text=True)
    # wixl ends with 0 even when it ignored an element: only its warnings say so.
    if result.returncode != 0 or re.search(r"WARNING|CRITICAL", result.stderr):
        tmp.unlink(missing_ok=True)
        sys.exit(f"package: wixl failed (exit code {result.returncode}):\n{result.stderr}")
    # The package code names this very package: the same inputs give the same one.
    inputs = hashlib.sha256(wxs.read_bytes() + fragment.read_bytes() + repr(sorted(defines.items())).encode())
    for f in sorted(p for p in stage.rglob("*") if p.is_file()):
        inputs.update(f.relative_to(stage).as_posix().encode() + b"\0" + f.read_bytes())
    package_code = "{" + str(uuid.uuid5(arch.upgrade_code, "package " + inputs.hexdigest())).upper() + "}"
    subprocess.run(["msibuild", str(tmp), "-s", f"Quietfall {version}", publisher, f"{arch.platform};1033",
                    package_code],
                   check=True)
    set_summary_times(tmp, epoch)
    if sign:
        sign(tmp)
    tmp.replace(msi)
    return msi


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def write_checksums(path, files):
    """A checksum file as sha256sum writes it, the files named without folder."""
    path.write_text("".join(f"{sha256(f)}  {f.name}\n" for f in files))


def yaml_lines(value, indent=""):
    """Block-style YAML of dicts, lists, strings and booleans; every string
    is quoted (JSON's quoting is YAML's), so that 1.10 stays a string."""
    lines = []
    for key, item in value.items():
        if isinstance(item, dict):
            lines.append(f"{indent}{key}:")
            lines += yaml_lines(item, indent + "  ")
        elif isinstance(item, list):
            lines.append(f"{indent}{key}:")
            for element in item:
                if not isinstance(element, dict):
                    lines.append(f"{indent}- {json.dumps(element)}")
                    continue
                sub = yaml_lines(element, indent + "  ")
                lines.append(indent + "- " + sub[0][len(indent) + 2:])
                lines += sub[1:]
        else:
            lines.append(f"{indent}{key}: {json.dumps(item)}")
    return lines


class Build:
    """One architecture's release files."""

    def __init__(self, arch, zip_path, setup, msi):
        self.arch, self.zip, self.setup, self.msi = arch, zip_path, setup, msi

    @classmethod
    def found(cls, folder, version, arch):
        name = f"Quietfall-{version}-{arch.name}"
        return cls(arch, folder / (name + ".zip"), folder / (name + "-setup.exe"), folder / (name + ".msi"))

    def files(self):
        return [self.zip, self.setup, self.msi]


def write_manifests(out_dir, version, publisher, home, release_url, builds):
    """winget's multi-file manifest set (version, default locale, installers)
    and Scoop's manifest, with the hashes of the files just built, for every
    architecture in builds."""
    winget_dir = out_dir / "manifests" / "winget"
    scoop_dir = out_dir / "manifests" / "scoop"
    for d in (winget_dir, scoop_dir):
        shutil.rmtree(d, ignore_errors=True)
        d.mkdir(parents=True)
    url = release_url.replace("{version}", version)
    package_id, manifest_version = "Quietfall.Quietfall", "1.12.0"
    summary = "Shuts down, restarts or logs off Windows from a small menu or with one command."

    def write_yaml(name, kind, fields):
        head = [f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.{manifest_version}.schema.json",
                ""]
        body = {"PackageIdentifier": package_id, "PackageVersion": version, **fields,
                "ManifestType": kind, "ManifestVersion": manifest_version}
        (winget_dir / name).write_text("\n".join(head + yaml_lines(body)) + "\n", encoding="utf-8")

    write_yaml(f"{package_id}.yaml", "version", {"DefaultLocale": "en-US"})
    write_yaml(f"{package_id}.locale.en-US.yaml", "defaultLocale", {
        "PackageLocale": "en-US", "Publisher": publisher, "PublisherUrl": home,
        "PackageName": "Quietfall", "PackageUrl": home, "License": "MIT",
        "ShortDescription": summary,
        "Description": "Quietfall acts once and ends: a menu at the mouse pointer, a countdown window, "
                       "or a switch such as /shutdown. Warmlink, which comes with it, refreshes one web "
                       "address in Windows' internet cache.",
        "Moniker": "quietfall", "Tags": ["shutdown", "restart", "logoff", "hibernate", "timer"]})
    installers = []
    for build in builds:
        arch, top = build.arch, build.zip.stem  # the zip's one folder
        installers += [
            {"Architecture": arch.winget, "InstallerType": "nullsoft", "Scope": "user",
             "InstallerUrl": url + build.setup.name, "InstallerSha256": sha256(build.setup).upper(),
             "InstallerSwitches": {"Silent": "/S", "SilentWithProgress": "/S"},
             "UpgradeBehavior": "install", "ProductCode": "Quietfall"},
            {"Architecture": arch.winget, "InstallerType": "msi", "Scope": "machine",
             "InstallerUrl": url + build.msi.name, "InstallerSha256": sha256(build.msi).upper(),
             "UpgradeBehavior": "install", "ProductCode": msi_product_code(version, arch),
             "AppsAndFeaturesEntries": [{"UpgradeCode": "{" + str(arch.upgrade_code).upper() + "}"}]},
            {"Architecture": arch.winget, "InstallerType": "zip", "NestedInstallerType": "portable",
             "NestedInstallerFiles": [
                 {"RelativeFilePath": f"{top}\\Quietfall.exe", "PortableCommandAlias": "quietfall"},
                 {"RelativeFilePath": f"{top}\\Warmlink.exe", "PortableCommandAlias": "warmlink"}],
             # The programs start from their folder, where they find lang\.
             "ArchiveBinariesDependOnPath": True,
             "InstallerUrl": url + build.zip.name, "InstallerSha256": sha256(build.zip).upper()}]
    write_yaml(f"{package_id}.installer.yaml", "installer", {"Installers": installers})

    pattern = release_url.replace("{version}", "$version")
    scoop = {
        "version": version, "description": summary, "homepage": home, "license": "MIT",
        "architecture": {b.arch.scoop: {"url": url + b.zip.name, "hash": sha256(b.zip), "extract_dir": b.zip.stem}
                         for b in builds},
        "bin": ["Quietfall.exe", "Warmlink.exe"], "shortcuts": [["Quietfall.exe", "Quietfall"]],
        "checkver": {"url": home, "regex": rf"Quietfall-([\d.]+)-{builds[0].arch.name}\.zip"},
        "autoupdate": {"architecture": {
            b.arch.scoop: {"url": pattern + f"Quietfall-$version-{b.arch.name}.zip",
                           "extract_dir": f"Quietfall-$version-{b.arch.name}"} for b in builds},
            "hash": {"url": "$url.sha256"}},
    }
    (scoop_dir / "quietfall.json").write_text(json.dumps(scoop, indent=4) + "\n", encoding="utf-8")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", type=Path, required=True, help="source tree (for the commit time)")
    parser.add_argument("--stage", type=Path, required=True, help="staged folder <name>")
    parser.add_argument("--out", type=Path, required=True, help="folder for the release files")
    parser.add_argument("--version", required=True, help="x.y.z")
    parser.add_argument("--nsi", type=Path, required=True)
    parser.add_argument("--wxs", type=Path, required=True)
    parser.add_argument("--icon", type=Path, required=True)
    parser.add_argument("--publisher", required=True)
    parser.add_argument("--home", required=True, help="the home page")
    parser.add_argument("--help-link", required=True, help="the help page, for Add/Remove Programs")
    parser.add_argument("--makensis", default="makensis")
    parser.add_argument("--define", action="append", default=[], metavar="NAME=VALUE",
                        help="passed to makensis as -DNAME=VALUE")
    parser.add_argument("--arch", choices=sorted(ARCHES), default="win32", help="the programs' architecture")
    args = parser.parse_args()
    release_url = checked_release_url()
    stage = args.stage.resolve()
    epoch = release_epoch(args.source)
    args.out.mkdir(parents=True, exist_ok=True)
    in_temporary_folder(args.out, lambda work: make_release(args, stage, epoch, signing.from_environment(epoch),
                                                            release_url, work))


def checked_release_url():
    release_url = os.environ.get("QF_RELEASE_URL") or DEFAULT_RELEASE_URL
    if not re.fullmatch(r"https?://\S+/", release_url):
        sys.exit(f"package: QF_RELEASE_URL must be an http(s) address ending in /, not {release_url!r}")
    return release_url


def in_temporary_folder(out, make):
    """Runs make(folder) on a new folder inside out, then moves what it made
    into out; on a failure nothing of it reaches out."""
    work = Path(tempfile.mkdtemp(prefix=".unfinished-", dir=out))
    try:
        make(work)
        finished = sorted(work.iterdir())
        for f in finished:
            if (out / f.name).is_dir():
                shutil.rmtree(out / f.name)
            f.replace(out / f.name)
    except signing.SigningError as error:
        sys.exit(f"package: {error}; no release files were written")
    except subprocess.CalledProcessError as error:
        sys.exit(f"package: {Path(error.cmd[0]).name} failed (exit code {error.returncode}); "
                 "no release files were written")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for f in finished:
        f = out / f.name
        print(f"{f}  {f.stat().st_size}{' bytes' if f.is_file() else ''}")


def release_main():
    """package.py release: the release folder of both architectures, made from
    the builds' package folders: their zips (with .sha256), setups and MSIs,
    SHA256SUMS of all of them and the manifests naming every one."""
    parser = argparse.ArgumentParser(prog="package.py release", description=release_main.__doc__)
    parser.add_argument("--out", type=Path, required=True, help="the release folder")
    parser.add_argument("--build", nargs=2, action="append", required=True, metavar=("ARCH", "PACKAGE_DIR"),
                        help="an architecture and its build's package folder (with its release.json)")
    args = parser.parse_args(sys.argv[2:])
    release_url = checked_release_url()
    # The version, publisher and home page, as each build was configured.
    facts = [json.loads((Path(folder) / "release.json").read_text()) for _, folder in args.build]
    if any(f != facts[0] for f in facts):
        sys.exit(f"package: the builds disagree on the release: {facts}")
    version, publisher, home = facts[0]["version"], facts[0]["publisher"], facts[0]["home"]
    builds = [Build.found(Path(folder), version, ARCHES[arch]) for arch, folder in args.build]
    missing = [str(f) for b in builds for f in b.files() + [b.zip.with_name(b.zip.name + ".sha256")]
               if not f.is_file()]
    if missing:
        sys.exit("package: no " + ", ".join(missing))
    args.out.mkdir(parents=True, exist_ok=True)

    def make(work):
        copies = []
        for b in builds:
            for f in b.files() + [b.zip.with_name(b.zip.name + ".sha256")]:
                shutil.copyfile(f, work / f.name)
            copies.append(Build.found(work, version, b.arch))
        write_checksums(work / "SHA256SUMS", [f for b in copies for f in b.files()])
        write_manifests(work, version, publisher, home, release_url, copies)

    in_temporary_folder(args.out, make)


def make_release(args, stage, epoch, signer, release_url, out):
    """Makes every release file in out, a temporary folder. With a signer,
    each program and installer is signed as it is made (signer.sign(path)),
    and the files that list checksums come after all signing."""
    if signer:
        for program in sorted(stage.rglob("*.exe")):
            signer.sign(program)
    zip_path = out / (stage.name + ".zip")
    make_zip(stage, zip_path, epoch)
    # Quietfall.nsi signs the uninstaller and the installer with SIGN_COMMAND.
    arch = ARCHES[args.arch]
    setup = make_setup(stage, out, args.version, args.nsi, args.icon, args.makensis,
                       ["PUBLISHER=" + args.publisher] + args.define
                       + (["SIGN_COMMAND=" + signer.hook_command()] if signer else []), arch)
    msi = make_msi(stage, out, args.version, args.wxs, args.icon, args.publisher, args.help_link, epoch,
                   sign=signer.sign if signer else None, arch=arch)
    # Last, so that they describe the finished (and any signed) files.
    write_checksums(out / "SHA256SUMS", [zip_path, setup, msi])
    write_manifests(out, args.version, args.publisher, args.home, release_url, [Build(arch, zip_path, setup, msi)])


if __name__ == "__main__":
    release_main() if sys.argv[1:2] == ["release"] else main()
