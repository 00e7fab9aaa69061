#!/usr/bin/env python3
"""Installs the release's Setup silently, checks what it made, runs the
installed program, uninstalls silently and checks that nothing is left; then
the same for the MSI, with an upgrade to a newer MSI (made here from the same
staged files) and a refused downgrade between install and removal; then
opens Setup's wizard as a user with a German and one with a Portuguese
(Portugal) Windows would, and cancels it.

Setup and the uninstaller run with the test's rights, so they run in a copy
of the test prefix that cannot reach the host: every drive but C: is
unmapped (Z: would be the host's whole file system) and drive_c must hold no
links (the bootstrap replaced the ones Wine makes into the host's home). The
copy is checked before each program of the installer runs.
"""
import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path, PureWindowsPath

sys.dont_write_bytecode = True
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "packaging"))
import package  # noqa: E402  (the MSI's codes, and a newer MSI)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL " + message)
    return condition


# The 64-bit loader, through the wrapper that keeps its heap in place.
WINE64 = str(Path(__file__).resolve().parents[2] / "scripts" / "wine64" / "wine")


def wine32_runs():
    # A kernel without 32-bit emulation refuses Wine's 32-bit loader.
    try:
        return subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode == 0
    except OSError:
        return False


def wine64_base(work_dir):
    """A new 64-bit prefix without links into the host, for a machine that
    runs no 32-bit programs: its msiexec installs the 32-bit MSI as a 64-bit
    Windows does, into Program Files (x86)."""
    base = work_dir / "base64"
    env = dict(os.environ, WINEPREFIX=str(base), WINEARCH="win64", WINEDEBUG="-all")
    subprocess.run([WINE64, "wineboot", "-i"], env=env, capture_output=True, timeout=600)
    # Every 64-bit Windows has the list of installed 32-bit programs; a new
    # prefix gets it only with the first 32-bit entry.
    subprocess.run([WINE64, "reg", "add", r"HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall",
                    "/f"], env=env, capture_output=True, timeout=300)
    subprocess.run(["wineserver", "-w"], env=env, timeout=300)
    for link in [p for p in (base / "drive_c").rglob("*") if p.is_symlink()]:
        link.unlink()
        link.mkdir()
    return base


class Prefix:
    """A copy of the test prefix with only drive C:."""

    def __init__(self, base, path, logs, loader="wine"):
        self.path = path
        self.logs = logs
        self.loader = loader
        if path.exists():
            self.remove()
        subprocess.run(["cp", "-a", str(base), str(path)], check=True)
        for device in (path / "dosdevices").iterdir():
            if device.name != "c:":
                device.unlink()
        self.drive_c = path / "drive_c"
        self.env = dict(os.environ, WINEPREFIX=str(path), WINEDEBUG="-all")
        if loader == WINE64:
            self.env["WINEARCH"] = "win64"
        self.assert_sealed()

    def assert_sealed(self):
        # Wine links serial ports (com1 -> /dev/ttyS0) again at each start:
        # devices, not files, so they may stay.
        devices = sorted(d.name for d in (self.path / "dosdevices").iterdir()
                         if not (re.fullmatch(r"com\d+", d.name)
                                 and os.readlink(d).startswith("/dev/tty")))
        links = [str(p) for p in self.drive_c.rglob("*") if p.is_symlink()]
        if devices != ["c:"] or links or os.readlink(self.path / "dosdevices" / "c:") != "../drive_c":
            sys.exit(f"the test prefix reaches outside itself: drives {devices}, links {links[:5]}")

    def unix(self, windows_path):
        parts = PureWindowsPath(windows_path).parts
        assert parts[0].upper() == "C:\\", windows_path
        return self.drive_c.joinpath(*parts[1:])

    def run(self, args, name, debug="-all", timeout=120, env=None):
        """Runs a Windows program; returns (exit code, stdout, stderr path)."""
        self.assert_sealed()
        env = dict(self.env, WINEDEBUG=debug, **(env or {}))
        out, err = self.logs / (name + ".out"), self.logs / (name + ".err")
        with open(out, "wb") as o, open(err, "wb") as e:
            rc = subprocess.run([self.loader] + args, env=env, stdout=o, stderr=e, timeout=timeout).returncode
        return rc, out.read_text(encoding="utf-8", errors="replace"), err

    def wait_idle(self):
        """Waits until every process of the prefix has ended and the registry is saved."""
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120, check=False)

    def remove(self):
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=str(self.path)),
                       stderr=subprocess.DEVNULL, check=False)
        shutil.rmtree(self.path, ignore_errors=True)

    def files(self):
        """Every file and folder of drive C: but the temporary folders."""
        out = set()
        for p in self.drive_c.rglob("*"):
            rel = p.relative_to(self.drive_c).as_posix()
            if re.match(r"(users/[^/]+/Temp|windows/temp|qftest)(/|$)", rel, re.I):
                continue
            out.add(rel)
        return out

    def registry_keys(self):
        keys = set()
        for name in ("user.reg", "system.reg", "userdef.reg"):
            for line in (self.path / name).read_text(errors="replace").splitlines():
                m = re.match(r"^\[(.*)\]", line)
                if m:
                    keys.add(name + ":" + m.group(1).lower())
        return keys

    def reg_value(self, key, value):
        rc, out, _ = self.run(["reg", "query", key, "/v", value], "reg-query")
        m = re.search(re.escape(value) + r"\s+(REG_\w+)\s+(.*)", out)
        return (m.group(1), m.group(2).strip()) if rc == 0 and m else None

    def reg_key_exists(self, key):
        return self.run(["reg", "query", key], "reg-query")[0] == 0

    def reg_values(self, key):
        """{name: (type, data)} of a key's values, or None without the key."""
        rc, out, _ = self.run(["reg", "query", key], "reg-query")
        # One line a value; an empty value ends its line after the type.
        values = [re.match(r"\s+(\S+)\s+(REG_\w+)[ \t]*(.*?)\s*$", line) for line in out.splitlines()]
        return {m.group(1): (m.group(2), m.group(3)) for m in values if m} if rc == 0 else None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--package-dir", type=Path, required=True)
    parser.add_argument("--name", required=True)
    parser.add_argument("--probe", type=Path, required=True)
    parser.add_argument("--wizard-probe", type=Path, required=True)
    parser.add_argument("--work-dir", type=Path, required=True)
    parser.add_argument("--stage", type=Path, required=True, help="the staged files the MSI was made from")
    parser.add_argument("--wxs", type=Path, required=True)
    parser.add_argument("--icon", type=Path, required=True)
    parser.add_argument("--help-link", required=True)
    args = parser.parse_args()

    # The build's architecture: a 64-bit build's files are tried in a 64-bit
    # prefix, through the 64-bit loader alone.
    arch = package.ARCHES[args.name.rsplit("-", 1)[1]]
    win64 = arch.name == "win64"
    base = Path(os.environ.get("WINEPREFIX", ""))
    if (win64 or wine32_runs()) and not (base / "system.reg").is_file():
        sys.exit("WINEPREFIX must name the project's test prefix (source scripts/wine-env.sh)")
    setup_exe = args.package_dir / (args.name + "-setup.exe")
    # A 64-bit Setup is a 64-bit program, so that it starts where Windows has no WOW64.
    machine = pe_machine(setup_exe)
    check(machine == PE_MACHINES[arch.name], f"{setup_exe.name} is for machine {machine:#x}, not {arch.name}")
    with zipfile.ZipFile(args.package_dir / (args.name + ".zip")) as z:
        check_zip_layout(z, args.name)
        shipped = sorted(n.split("/", 1)[1] for n in z.namelist() if not n.endswith("/"))
    languages = sorted(Path(n).stem for n in shipped if n.startswith("lang/") and n.endswith(".ini"))
    others = [lang for lang in languages if lang != "English"]
    chosen = others[0] if others else "English"

    logs = args.work_dir / "logs"
    shutil.rmtree(args.work_dir, ignore_errors=True)
    logs.mkdir(parents=True)
    started = time.monotonic()
    def msi_path(prefix, programs):
        # The same staged files as a newer version, into a folder of its own.
        version = args.name.split("-")[1]
        major, minor, patch = version.split(".")
        newer = f"{major}.{minor}.{int(patch) + 1}"
        with tempfile.TemporaryDirectory() as scratch:
            newer_msi = package.make_msi(args.stage, Path(scratch), newer, args.wxs, args.icon,
                                         "Quietfall developers", args.help_link,
                                         package.release_epoch(Path(__file__).resolve().parents[2]), arch=arch)
            run_msi_checks(prefix, args.package_dir / (args.name + ".msi"), version, newer_msi, newer,
                           shipped, chosen, args.help_link, programs, arch)

    if not win64 and not wine32_runs():
        print("SKIPPED Setup, the zip, the wizard and every 32-bit program: this machine does not run "
              "32-bit programs; the MSI goes through a 64-bit prefix's msiexec")
        prefix = Prefix(wine64_base(args.work_dir), args.work_dir / "prefix64", logs, loader=WINE64)
        (prefix.drive_c / "qftest").mkdir()
        try:
            msi_path(prefix, programs=False)
        finally:
            prefix.remove()
        print(f"installer test: {time.monotonic() - started:.1f} s, {len(failures)} failure(s)")
        return 1 if failures else 0
    prefix = Prefix(base, args.work_dir / "prefix", logs, loader=WINE64 if win64 else "wine")
    try:
        run_checks(prefix, args.package_dir / (args.name + ".zip"), setup_exe, args.probe, shipped, chosen)
        msi_path(prefix, programs=True)
        for wizard in WIZARD_LANGUAGES:
            check_wizard_in_language(prefix, args.wizard_probe, args.work_dir, *wizard)
    finally:
        prefix.remove()
    print(f"installer test: {time.monotonic() - started:.1f} s, language {chosen}, "
          f"{len(failures)} failure(s)")
    return 1 if failures else 0


# The machine in the PE header of each architecture's programs.
PE_MACHINES = {"win32": 0x14C, "win64": 0x8664}


def pe_machine(path):
    head = path.read_bytes()[:4096]
    pe, = struct.unpack_from("<I", head, 0x3C)
    return struct.unpack_from("<H", head, pe + 4)[0] if head[pe:pe + 4] == b"PE\0\0" else 0


def check_zip_layout(archive, name):
    """One folder <name>/ with both programs, the language files, and the two
    texts with Windows' line ends."""
    names = archive.namelist()
    check(all(n.startswith(name + "/") for n in names), f"the zip has more than the folder {name}/: {names}")
    for required in ("Quietfall.exe", "Warmlink.exe", "README.txt", "LICENSE.txt", "lang/English.ini"):
        check(f"{name}/{required}" in names, f"the zip lacks {required}")
    for text in ("README.txt", "LICENSE.txt"):
        if f"{name}/{text}" in names:
            data = archive.read(f"{name}/{text}")
            check(data.count(b"\n") == data.count(b"\r\n") > 10, f"{text} has lines not ended by CR LF")
    check(not [n for n in names if n.startswith(f"{name}/lang/") and not n.endswith((".ini", ".reg", "/"))],
          "lang holds only .ini and .reg files")


def check_shutdown_in_language(prefix, exe, chosen, name):
    """Runs exe /shutdown: one power-off call, and the chosen language read."""
    prefix.wait_idle()
    # Wine's file channel names every file opened (the program's own calls to
    # CreateFileW do not show in the relay trace: kernel32 forwards them).
    rc, _, trace = prefix.run([exe, "/shutdown"], name, debug="+relay,+file")
    calls = trace.read_text(errors="replace")
    exits = re.findall(r"Call user32\.ExitWindowsEx\(([^)]*)\)", calls)
    check(exits == ["00000008,00000000"], f"{exe} /shutdown calls ExitWindowsEx {exits}")
    opened = {m.lower() for m in re.findall(r'trace:file:CreateFileW L"([^"]*)"', calls)}
    folder = str(PureWindowsPath(exe).parent)
    wanted = (folder + "\\lang\\" + chosen + ".ini").replace("\\", "\\\\").lower()
    check(wanted in opened, f"{exe} read {wanted}; it opened {sorted(opened)[:20]}")
    prefix.wait_idle()


def run_checks(prefix, zip_path, setup_exe, probe, shipped, chosen):
    tools = prefix.drive_c / "qftest"
    tools.mkdir()
    shutil.copy(setup_exe, tools / "setup.exe")
    shutil.copy(probe, tools / "lnk_probe.exe")
    setup = r"C:\qftest\setup.exe"

    # Wine's own folders, and a trace of the calls the installed program makes.
    rc, out, _ = prefix.run(["cmd", "/c", "echo %LOCALAPPDATA%^|%APPDATA%^|%USERPROFILE%"], "paths")
    local_appdata, appdata, profile = out.strip().split("|")
    prefix.run(["reg", "add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ",
                "/d", "user32.ExitWindowsEx", "/f"], "relay")
    # As on a machine that never had Quietfall (other tests choose languages).
    prefix.run(["reg", "delete", r"HKCU\Software\Quietfall", "/f"], "forget-language")
    prefix.wait_idle()
    files_before, keys_before = prefix.files(), prefix.registry_keys()

    instdir = local_appdata + r"\Programs\Quietfall"
    menu = appdata + r"\Microsoft\Windows\Start Menu\Programs\Quietfall"
    desktop_link = profile + r"\Desktop\Quietfall.lnk"
    uninstall_key = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quietfall"
    settings_key = r"HKCU\Software\Quietfall"
    expected_language = None if chosen == "English" else ("REG_SZ", chosen)

    # The zip unpacked anywhere works as it is; a language's .reg file
    # chooses the language (and makes the key the uninstaller removes later).
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(tools / "unzipped")
    unpacked = r"C:\qftest\unzipped" + "\\" + zip_path.stem
    if prefix.unix(unpacked + r"\lang" + "\\" + chosen + ".reg").is_file():
        prefix.run(["regedit", "/S", unpacked + r"\lang" + "\\" + chosen + ".reg"], "regedit")
    value = prefix.reg_value(settings_key, "langFileName")
    check(value == expected_language, f"langFileName after {chosen}.reg: {value}")
    check_shutdown_in_language(prefix, unpacked + r"\Quietfall.exe", chosen, "unzipped-shutdown")

    # An unknown language stops Setup before it installs anything.
    rc, _, _ = prefix.run([setup, "/S", "/LANGUAGE=NoSuchLanguage"], "setup-unknown-language")
    check(rc == 2, f"Setup with an unknown language exits with 2, not {rc}")
    check(not prefix.unix(instdir).exists(), "Setup with an unknown language installed files")

    # A silent install with the defaults: the per-user folder, no desktop
    # shortcut, the language left alone.
    rc, _, _ = prefix.run([setup, "/S"], "setup-default")
    check(rc == 0, f"silent Setup exits with {rc}")
    installed = sorted(p.relative_to(prefix.unix(instdir)).as_posix()
                       for p in prefix.unix(instdir).rglob("*") if p.is_file())
    check(installed == sorted(shipped + ["Uninstall.exe"]),
          f"installed files {installed} are the zip's {shipped} and Uninstall.exe")
    check(not prefix.unix(desktop_link).exists(), "no desktop shortcut unless asked for")
    check(prefix.reg_value(settings_key, "langFileName") == value,
          "a silent Setup without /LANGUAGE= leaves the language as it was")

    exe = instdir + r"\Quietfall.exe"
    expected_links = {
        "Quietfall.lnk": f"{exe}||{instdir}|{exe},0",
        "Shut down now.lnk": f"{exe}|/shutdown|{instdir}|{exe},0",
        "Restart now.lnk": f"{exe}|/restart|{instdir}|{exe},0",
        "Uninstall Quietfall.lnk": f"{instdir}\\Uninstall.exe||{instdir}|{instdir}\\Uninstall.exe,0",
    }
    links = sorted(p.name for p in prefix.unix(menu).iterdir()) if prefix.unix(menu).is_dir() else []
    check(links == sorted(expected_links), f"Start-menu folder holds {links}")
    names = sorted(expected_links)
    rc, out, _ = prefix.run([r"C:\qftest\lnk_probe.exe"] + [menu + "\\" + n for n in names], "links")
    check(len(out.splitlines()) == len(names), f"the probe read {len(out.splitlines())} of {len(names)} shortcuts")
    for name, line in zip(names, out.splitlines()):
        check(line.lower() == expected_links[name].lower(), f"{name}: {line!r}, expected {expected_links[name]!r}")

    expected_values = {
        "DisplayName": "Quietfall", "DisplayVersion": setup_version(setup_exe),
        "Publisher": "Quietfall developers", "DisplayIcon": exe + ",0", "InstallLocation": instdir,
        "UninstallString": f'"{instdir}\\Uninstall.exe"',
        "QuietUninstallString": f'"{instdir}\\Uninstall.exe" /S',
    }
    for value, expected in expected_values.items():
        got = prefix.reg_value(uninstall_key, value)
        check(got == ("REG_SZ", expected), f"uninstall entry {value} = {got}, expected {expected!r}")
    size = prefix.reg_value(uninstall_key, "EstimatedSize")
    installed_kib = sum(p.stat().st_size for p in prefix.unix(instdir).rglob("*") if p.is_file()) // 1024
    check(size is not None and size[0] == "REG_DWORD" and 0.5 * installed_kib < int(size[1], 16) <= 2 * installed_kib,
          f"EstimatedSize {size} for {installed_kib} KiB installed")

    # Again into the same folder, with a language (written in other letter
    # case) and a desktop shortcut; another folder is refused.
    rc, _, _ = prefix.run([setup, "/S", "/DESKTOPICON", "/LANGUAGE=" + chosen.swapcase()], "setup-update")
    check(rc == 0, f"second silent Setup exits with {rc}")
    rc, out, _ = prefix.run([r"C:\qftest\lnk_probe.exe", desktop_link], "desktop-link")
    check(out.strip().lower() == expected_links["Quietfall.lnk"].lower(), f"desktop shortcut: {out.strip()!r}")
    value = prefix.reg_value(settings_key, "langFileName")
    check(value == expected_language, f"langFileName after Setup chose {chosen}: {value}")
    # (wine would quote an argument with a blank, and Setup takes /D= only unquoted)
    rc, _, _ = prefix.run([setup, "/S", r"/D=C:\qftest\elsewhere"], "setup-elsewhere")
    check(rc == 2 and not prefix.unix(r"C:\qftest\elsewhere").exists(),
          f"Setup into a second folder exits with {rc} and installs nothing")

    # The installed program still makes its call, in the chosen language.
    check_shutdown_in_language(prefix, exe, chosen, "installed-shutdown")

    # Silent uninstall: it copies itself to the temporary folder and returns
    # at once; the copy works until the prefix is idle.
    rc, _, _ = prefix.run([instdir + r"\Uninstall.exe", "/S"], "uninstall")
    check(rc == 0, f"silent uninstall exits with {rc}")
    prefix.wait_idle()
    prefix.assert_sealed()
    check(not prefix.reg_key_exists(settings_key), "the uninstaller leaves HKCU\\Software\\Quietfall")
    check(not prefix.reg_key_exists(uninstall_key), "the uninstaller leaves its uninstall entry")
    prefix.wait_idle()
    files_after, keys_after = prefix.files(), prefix.registry_keys()
    check(files_after - files_before == set(), f"left behind: {sorted(files_after - files_before)}")
    check(files_before - files_after == set(), f"removed but not Setup's: {sorted(files_before - files_after)}")
    check(keys_after - keys_before == set(), f"registry keys left behind: {sorted(keys_after - keys_before)}")
    check(keys_before - keys_after == set(), f"registry keys removed: {sorted(keys_before - keys_after)}")

    # A folder of the user's choice, two levels of it new, inside a folder
    # that holds a file of the user's: the uninstaller removes the two new
    # folders and leaves the user's folder and file.
    own = tools / "own"
    own.mkdir()
    (own / "mine.txt").write_text("the user's file")
    rc, _, _ = prefix.run([setup, "/S", r"/D=C:\qftest\own\new\Quietfall"], "setup-own-folder")
    check(rc == 0 and (own / "new" / "Quietfall" / "Quietfall.exe").is_file(),
          f"Setup into a folder of the user's choice exits with {rc}")
    rc, _, _ = prefix.run([r"C:\qftest\own\new\Quietfall\Uninstall.exe", "/S"], "uninstall-own-folder")
    prefix.wait_idle()
    left = sorted(p.relative_to(own).as_posix() for p in own.rglob("*"))
    check(left == ["mine.txt"], f"after uninstalling from a folder of the user's choice: {left}")

    # A folder that already holds the user's files is refused: Setup would
    # overwrite same-named files, and the uninstaller would delete them.
    rc, _, _ = prefix.run([setup, "/S", r"/D=C:\qftest\own"], "setup-full-folder")
    left = sorted(p.relative_to(own).as_posix() for p in own.rglob("*"))
    check(rc == 2 and left == ["mine.txt"], f"Setup into a folder with the user's files exits with {rc}, leaves {left}")


# A display language (glibc locale), the words each page shows, the language preselected.
WIZARD_LANGUAGES = [
    ("de_DE", [{"&Weiter >", "Abbrechen"}, {"< &Zurück", "&Installieren", "Abbrechen", "Sprache",
                                            "Desktop-Verknüpfung für Quietfall &erstellen"}], "Deutsch"),
    ("pt_PT", [{"&Seguinte >", "Cancelar"}, {"< &Anterior", "&Instalar", "Cancelar", "Idioma",
                                             "Criar um atalho do Quietfall no ambiente de &trabalho"}], "Português (Portugal)"),
]


def display_in(work_dir, locale):
    """The environment of a Windows in that display language. Wine takes it
    from the locale: LC_ALL (the project's environment sets C.UTF-8), else
    LC_MESSAGES, else LANG. The locale must exist for glibc (without it Wine
    still reads LC_ALL's name, but its Unix side falls back to ASCII and
    cannot make files with other letters), so the test compiles it into its
    own folder from Debian's locales package."""
    folder = work_dir / "locale"
    folder.mkdir(exist_ok=True)
    name = locale + ".UTF-8"
    done = subprocess.run(["localedef", "-i", locale, "-f", "UTF-8", str(folder / name)],
                          capture_output=True, text=True)
    check((folder / name).is_dir(), f"localedef made no {locale} locale: {done.stderr.strip()}")
    return {"LOCPATH": str(folder), "LC_ALL": name}


def check_wizard_in_language(prefix, wizard_probe, work_dir, locale, expected, preselected):
    """Setup's pages speak the display language, the language page
    preselects it, and Cancel ends Setup with nothing installed."""
    shutil.copy(wizard_probe, prefix.drive_c / "qftest" / "wizard_probe.exe")
    files_before = prefix.files()
    rc, out, _ = prefix.run([r"C:\qftest\wizard_probe.exe", r"C:\qftest\setup.exe"], "wizard-" + locale,
                            timeout=240, env=display_in(work_dir, locale))
    seen = [line.split("|") for line in out.splitlines()]
    pages = [fields[1:] for fields in seen if fields[0] == "page"]
    check(rc == 0 and len(pages) == 2, f"the wizard probe went through {len(pages)} pages: {out!r}")
    for texts, words in zip(pages, expected):
        check(words <= set(texts), f"Setup's page lacks {sorted(words - set(texts))}: {texts}")
    check(["selected", preselected] in seen, f"the language page preselects {[f for f in seen if f[0] == 'selected']}")
    check(["exit", "1"] in seen, f"Setup cancelled by the user: {[f for f in seen if f[0] in ('confirm', 'exit')]}")
    prefix.wait_idle()
    made = sorted(p for p in prefix.files() - files_before if "quietfall" in p.lower())
    check(not made, f"the cancelled Setup made {made}")


def run_msi_checks(prefix, msi, version, newer_msi, newer, shipped, chosen, help_link, programs, arch):
    """msiexec installs silently, upgrades, refuses a downgrade and removes;
    the machine is then as before but for Windows Installer's own empty
    folders and keys. With programs, the installed Quietfall.exe and the
    shortcut probe (programs of the build's architecture) run too."""
    tools = prefix.drive_c / "qftest"
    shutil.copy(msi, tools / "quietfall.msi")
    shutil.copy(newer_msi, tools / "quietfall-newer.msi")
    rc, out, _ = prefix.run(["cmd", "/c", "echo %ProgramFiles%^|%APPDATA%^|%ProgramData%^|%ProgramFiles(x86)%"],
                            "msi-paths")
    program_files, appdata, program_data, x86 = out.strip().split("|")
    # A 64-bit Windows keeps 32-bit programs and their entries apart.
    wow64 = not x86.startswith("%") and arch.name == "win32"
    instdir = (x86 if wow64 else program_files) + r"\Quietfall"
    exe = instdir + r"\Quietfall.exe"
    uninstall_list = ("HKLM\\Software\\" + ("WOW6432Node\\" if wow64 else "")
                      + r"Microsoft\Windows\CurrentVersion\Uninstall")
    prefix.wait_idle()
    files_before, keys_before = prefix.files(), prefix.registry_keys()

    def msiexec(args, name):
        rc, _, _ = prefix.run(["msiexec"] + args + ["/qn", "/l*v", rf"C:\qftest\{name}.log"], name, timeout=300)
        prefix.wait_idle()
        return rc

    def check_entry(product_version):
        """The one Add/Remove Programs entry of Quietfall is this version's."""
        rc, out, _ = prefix.run(["reg", "query", uninstall_list], "reg-query")
        codes = [c.upper() for c in re.findall(r"\\(\{[0-9A-Fa-f-]{36}\})\s*$", out, re.M)]
        ours = [c for c in codes if (prefix.reg_values(uninstall_list + "\\" + c) or {})
                .get("DisplayName") == ("REG_SZ", "Quietfall")]
        product_code = package.msi_product_code(product_version, arch)
        check(ours == [product_code], f"Quietfall's uninstall entries {ours}, expected {product_code}")
        values = prefix.reg_values(uninstall_list + "\\" + product_code) or {}
        expected = {"DisplayVersion": product_version, "Publisher": "Quietfall developers",
                    "HelpLink": help_link, "InstallLocation": instdir + "\\"}
        for name, data in expected.items():
            got = values.get(name, ("", ""))[1]
            check(got.lower() == data.lower(), f"MSI {product_version} entry {name} = {got!r}, expected {data!r}")

    check(msiexec(["/i", r"C:\qftest\quietfall.msi"], "msi-install") == 0, "msiexec /i exits with an error")
    installed = sorted(p.relative_to(prefix.unix(instdir)).as_posix()
                       for p in prefix.unix(instdir).rglob("*") if p.is_file())
    check(installed == sorted(shipped), f"the MSI installed {installed}, not the zip's {shipped}")
    # Wine puts a per-machine package's shortcuts into the user's menu,
    # Windows into the all-users menu.
    menus = [m + r"\Microsoft\Windows\Start Menu\Programs\Quietfall" for m in (appdata, program_data)]
    menus = [m for m in menus if prefix.unix(m).is_dir()]
    links = sorted(p.name for p in prefix.unix(menus[0]).iterdir()) if len(menus) == 1 else []
    names = ["Quietfall.lnk", "Restart now.lnk", "Shut down now.lnk"]
    check(links == names, f"the MSI's Start-menu folders {menus} hold {links}")
    if links == names and programs:
        rc, out, _ = prefix.run([r"C:\qftest\lnk_probe.exe"] + [menus[0] + "\\" + n for n in names], "msi-links")
        # Target, arguments and working folder, as Windows compares paths:
        # in any letter case, a folder with or without its last backslash.
        got = [[part.lower().rstrip("\\") for part in line.split("|")[:3]] for line in out.splitlines()]
        wanted = [[exe.lower(), arguments, instdir.lower()] for arguments in ("", "/restart", "/shutdown")]
        check(got == wanted, f"the MSI's shortcuts: {got}, expected {wanted}")
    check_entry(version)
    # The components are of the package's architecture: their key path is in its registry view.
    own_key = "HKLM\\Software\\" + ("WOW6432Node\\" if wow64 else "") + "Quietfall"
    check(prefix.reg_value(own_key, "StartMenuShortcuts") == ("REG_DWORD", "0x1"),
          f"the MSI's shortcuts component has no key path under {own_key}")

    # The installed program, with a language chosen by its .reg file; the
    # uninstaller of an MSI leaves settings alone, so the test removes them.
    if programs:
        prefix.run(["regedit", "/S", instdir + r"\lang" + "\\" + chosen + ".reg"], "msi-regedit")
        check_shutdown_in_language(prefix, exe, chosen, "msi-shutdown")
        prefix.run(["reg", "delete", r"HKCU\Software\Quietfall", "/f"], "msi-forget-language")

    check(msiexec(["/i", r"C:\qftest\quietfall-newer.msi"], "msi-upgrade") == 0, "the upgrade exits with an error")
    check_entry(newer)
    check(prefix.unix(exe).is_file(), "the upgrade left no Quietfall.exe")
    rc = msiexec(["/i", r"C:\qftest\quietfall.msi"], "msi-downgrade")
    # 1603, of which wine passes on only the low 8 bits.
    check(rc == 1603 % 256, f"installing {version} over {newer} exits with {rc}, not 1603")
    check_entry(newer)

    check(msiexec(["/x", r"C:\qftest\quietfall-newer.msi"], "msi-remove") == 0, "msiexec /x exits with an error")
    prefix.assert_sealed()
    files_after, keys_after = prefix.files(), prefix.registry_keys()
    # What Windows Installer keeps for itself: its cache folder and its keys.
    own = re.compile(r"windows/installer(/|$)|.*\\installer(\\|$)", re.I)
    left = sorted(f for f in files_after - files_before if not own.match(f))
    check(left == [], f"the MSI left behind: {left}")
    check(files_before - files_after == set(), f"the MSI removed: {sorted(files_before - files_after)}")
    left = sorted(k for k in keys_after - keys_before if not own.match(k.split(":", 1)[1]))
    check(left == [], f"the MSI left registry keys: {left}")
    check(keys_before - keys_after == set(), f"the MSI removed registry keys: {sorted(keys_before - keys_after)}")


def setup_version(setup_exe):
    m = re.search(r"Quietfall-(\d+\.\d+\.\d+)-win(32|64)-setup\.exe$", setup_exe.name)
    return m.group(1) if m else "?"


if __name__ == "__main__":
    sys.exit(main())
