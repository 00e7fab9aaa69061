#!/usr/bin/env python3
"""Writes resources/lang/English.ini: UTF-16LE with the FF FE mark and CR LF
line ends, the form every Quietfall language file may take.

Run it after changing a text below; commit the script and the file together.
    python3 scripts/make_english_ini.py [output path]
"""
import os
import sys

LINES = [
    "; Quietfall language file: English.",
    "; This file is also the fallback for every text another language file lacks.",
    "; Save translations as UTF-16LE with a byte-order mark, or as 8-bit text",
    "; in the system's ANSI code page. In [TEXT], \\n starts a new line;",
    "; in [MENU], \\t separates an item from its shortcut, and & marks the",
    "; access key. A ; ends a value, so texts cannot contain one.",
    "",
    "[GENERAL]",
    "CODEPAGE=1252",
    "IS_RIGHT_TO_LEFT_TEXT=0",
    "",
    "[TEXT]",
    "APP_TITLE=Quietfall",
    "TEXT_IDCANCEL=Cancel",
    "TEXT_STATIC_HOMEPAGE=Home page",
    "URL_HOME=https://quietfall.example.org/",
    "URL_HELP=https://quietfall.example.org/help/",
    "; Each action name is followed by the time left, as in \"Shut down in 00:29:59\".",
    "TEXT_METHOD_SHUDOWN=Shut down in",
    "TEXT_METHOD_LOGOUT=Log off in",
    "TEXT_METHOD_RESTART=Restart in",
    "TEXT_METHOD_HIBERNATE=Hibernate in",
    "TEXT_METHOD_SUSPEND=Sleep in",
    "",
    "[MENU]",
    "MENUSTR_SHUTDOWN=&Shut down",
    "MENUSTR_LOGOUT=&Log off",
    "MENUSTR_RESTART=&Restart",
    "MENUSTR_TIMER=&Timed shutdown",
    "MENUSTR_SHUTDOWN_10M=In &10 minutes",
    "MENUSTR_SHUTDOWN_30M=In &30 minutes",
    "MENUSTR_SHUTDOWN_60M=In 1 &hour",
    "MENUSTR_SHUTDOWN_120M=In &2 hours",
    "MENUSTR_ETC=&Other actions",
    "MENUSTR_HIBERNATE=&Hibernate",
    "MENUSTR_SUSPEND=&Sleep",
    "MENUSTR_HELP_PAGE=&Help",
]


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "lang", "English.ini")
    data = b"\xff\xfe" + "".join(line + "\r\n" for line in LINES).encode("utf-16-le")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
