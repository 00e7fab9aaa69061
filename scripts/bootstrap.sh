#!/usr/bin/env bash
# Installs what the build and the tests need (Debian packages only) and makes
# the private Wine prefix of QF_ARCH's build (win32, the default, or win64;
# scripts/wine-env.sh) inside the build tree. Quick when all is there.
# --packages-only: the packages alone (make package runs no Windows program).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build g++ make python3 pkg-config googletest
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
  g++-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  wine wine32:i386 wine64 fonts-wine fonts-liberation
  xvfb xdotool x11-utils imagemagick tesseract-ocr tesseract-ocr-eng
  libinih-dev libsimpleini-dev
  nsis osslsigncode openssl locales clang libclang-rt-14-dev g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
  wixl msitools python3-yaml
  fonts-wqy-microhei fonts-dejavu-core fonts-tlwg-loma-ttf
  tesseract-ocr-deu tesseract-ocr-rus tesseract-ocr-jpn tesseract-ocr-chi-sim
  tesseract-ocr-chi-tra tesseract-ocr-kor tesseract-ocr-ara tesseract-ocr-heb tesseract-ocr-tha
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386
  fi
  install=("${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends)
  # A mirror in the middle of a sync serves index files of the wrong size,
  # and apt then fails the whole update: try again a little later.
  updated=
  for attempt in 1 2 3; do
    if "${sudo_cmd[@]}" apt-get update -qq; then updated=1; break; fi
    if ((attempt < 3)); then
      echo "bootstrap: apt-get update failed (attempt $attempt of 3); trying again in $((attempt * 15)) s" >&2
      sleep $((attempt * 15))
    fi
  done
  if [ -n "$updated" ]; then
    "${install[@]}" "${missing[@]}"
  else
    # Seen for days: one stale index (the i386 security updates) while the
    # rest arrived. Without it the amd64 half of a library can have a
    # security version its i386 half lacks, and apt finds no solution;
    # the release's own versions exist for both halves.
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "bootstrap: an index did not arrive; installing from those that did, preferring $codename's own versions where needed" >&2
    "${install[@]}" "${missing[@]}" 2>/dev/null ||
      "${install[@]}" -o APT::Default-Release="$codename" "${missing[@]}"
  fi
fi

if [ "${1:-}" = --packages-only ]; then exit 0; fi

# shellcheck source=scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
if ! qf_wine_runs; then
  echo "bootstrap: no $QF_ARCH Wine prefix: $(qf_wine32_missing_reason)" >&2
  exit 0
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "bootstrap: making the Wine prefix $WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  WINEDEBUG=-all wineboot -i >/dev/null 2>&1 || true
  # No crash dialog that would wait for a person.
  WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wineserver -w
fi
# A new prefix links user folders (Documents, Templates, ...) to the host's
# home. Make each a real folder, so that nothing a program under test writes
# or deletes there reaches the host.
find "$WINEPREFIX/drive_c" -type l | while IFS= read -r link; do
  rm -f "$link" && mkdir -p "$link"
done
# The tests' virtual display has no window manager: Wine draws the captions
# itself and does not wait for a manager that never answers when a window
# closes (which cost about two seconds a dialog). A prefix for a real
# desktop (QF_DESKTOP_PREFIX=1, used by make run on your display) keeps
# Wine's defaults, so its windows behave as your window manager expects.
marker="$WINEPREFIX/.quietfall-display-settings-3"
if [ -z "${QF_DESKTOP_PREFIX:-}" ] && [ ! -f "$marker" ]; then
  # Wine's own fonts (Tahoma for dialogs, Marlett for the caption buttons)
  # are not put into a new prefix by Debian's Wine; without them dialogs are
  # drawn in other fonts and the caption buttons as the letters "0 1 r".
  cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  # Chinese, Japanese and Korean letters: the faces Tahoma's font link falls
  # back to, pointed at a font that has them (else they are drawn as boxes).
  for face in "MS UI Gothic" SimSun Gulim PMingLiU; do
    WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  for value in Decorated Managed; do
    WINEDEBUG=-all wine reg add 'HKCU\Software\Wine\X11 Driver' /v "$value" /t REG_SZ /d N /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$marker"
fi
