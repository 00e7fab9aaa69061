#!/usr/bin/env bash
# Checks the delivered programs as files: PE GUI executables of the build's
# architecture (check_binaries.sh BIN win32|win64) that
# import only system DLLs, so nothing needs to be shipped beside them, and
# carry no link time.
# Warmlink shares nothing with Quietfall and links only what it needs.
# Quietfall loads user32, gdi32, shell32 and comctl32 only when it first
# calls them (delay-import and on-demand loading), so that a start that acts
# on a switch loads no more than a bare program: none of them is a static
# import.
set -u
bin=$1
case ${2:-win32} in
  win32) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  *) echo "check_binaries: the architecture is win32 or win64, not $2" >&2; exit 2 ;;
esac
declare -A allowed=(
  [Quietfall]='^(KERNEL32|ADVAPI32|POWRPROF|msvcrt)\.dll$'
  [Warmlink]='^(KERNEL32|USER32|msvcrt|WININET|urlmon)\.dll$'
)
fail=0
for exe in Quietfall Warmlink; do
  file="$bin/$exe.exe"
  header=$($objdump -p "$file") || { echo "FAIL $exe: not readable"; fail=1; continue; }
  grep -q "file format $format\$" <<<"$header" || { echo "FAIL $exe: not $format"; fail=1; }
  grep -Eq 'Subsystem\s+00000002' <<<"$header" || { echo "FAIL $exe: not a GUI program"; fail=1; }
  # Reproducible builds: no link time in the header's TimeDateStamp.
  pe=$(( $(od -An -t u4 -j 60 -N 4 "$file") ))
  stamp=$(( $(od -An -t u4 -j $((pe + 8)) -N 4 "$file") ))
  [ "$stamp" -eq 0 ] || { echo "FAIL $exe: link time $stamp in the PE header"; fail=1; }
  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$header")
  while read -r dll; do
    shopt -s nocasematch
    [[ $dll =~ ${allowed[$exe]} ]] || { echo "FAIL $exe imports $dll"; fail=1; }
    shopt -u nocasematch
  done <<<"$imports"
  echo "$exe: $(stat -c %s "$file") bytes, imports: $(tr '\n' ' ' <<<"$imports")"
done
if [ "$fail" -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; fi
exit "$fail"
