#!/usr/bin/env python3
"""Writes, for each language file lang/<Name>.ini, the file <Name>.reg that
chooses it: a double-click imports it with the registry editor, which sets
HKEY_CURRENT_USER\\Software\\Quietfall value langFileName to <Name>.
English.reg deletes the value instead, since English is what the program
uses without one.

The files have the form the registry editor itself writes: UTF-16LE with
the FF FE mark, CR LF line ends, the line "Windows Registry Editor Version
5.00", a blank line, the key in brackets, the value, and a blank line at
the end.

    python3 scripts/make_reg_files.py <output folder> <Name>.ini...
"""
import os
import sys

KEY = r"HKEY_CURRENT_USER\Software\Quietfall"
VALUE = "langFileName"
DEFAULT_LANGUAGE = "English"


def reg_string(text):
    """A value written as the registry editor quotes it."""
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def reg_text(name):
    data = "-" if name == DEFAULT_LANGUAGE else reg_string(name)
    lines = [
        "Windows Registry Editor Version 5.00",
        "",
        "[" + KEY + "]",
        reg_string(VALUE) + "=" + data,
        "",
    ]
    return "".join(line + "\r\n" for line in lines)


def main(argv):
    if len(argv) < 2:
        sys.exit(__doc__)
    out_dir = argv[0]
    os.makedirs(out_dir, exist_ok=True)
    for ini in argv[1:]:
        name, extension = os.path.splitext(os.path.basename(ini))
        if extension.lower() != ".ini":
            sys.exit("make_reg_files: not a language file: " + ini)
        data = b"\xff\xfe" + reg_text(name).encode("utf-16-le")
        with open(os.path.join(out_dir, name + ".reg"), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1:])
