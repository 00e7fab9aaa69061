# Sourced (after scripts/wine-env.sh) by the tests that read Quietfall's menu
# back from the screen, on the tests' display:
#   qf_save_language_choice       remembers the language value of the prefix
#   qf_restore_language_choice    puts it back as it was (or removes it)
#   qf_photograph_menu <exe> <out.png> <WxH>
#                                 starts the program with the pointer at
#                                 (100, 100), photographs the area of WxH at
#                                 the menu's corner, closes the menu with
#                                 Escape and saves the picture in grey, four
#                                 times enlarged (OCR reads that best); fails
#                                 when no menu was shown
qf_language_key='HKCU\Software\Quietfall'

qf_save_language_choice() {
  QF_SAVED_LANGUAGE=$(wine reg query "$qf_language_key" /v langFileName 2>/dev/null |
    sed -n 's/.*REG_SZ *//p' | tr -d '\r')
}

qf_restore_language_choice() {
  if [ -n "${QF_SAVED_LANGUAGE:-}" ]; then
    wine reg add "$qf_language_key" /v langFileName /t REG_SZ /d "$QF_SAVED_LANGUAGE" /f >/dev/null 2>&1
  else
    wine reg delete "$qf_language_key" /v langFileName /f >/dev/null 2>&1
  fi
}

qf_photograph_menu() {
  local exe=$1 out=$2 size=$3 shot found=
  shot=$(mktemp --suffix=.png)
  xdotool mousemove 100 100
  wine "$exe" >/dev/null 2>&1 &
  local program=$!
  for _ in $(seq 200); do
    if xdotool search --onlyvisible --class quietfall.exe >/dev/null 2>&1; then found=1; break; fi
    sleep 0.1
  done
  sleep 0.5
  import -window root -crop "$size+95+95" +repage "$shot"
  # The menu opens at the pointer, so keys reach it.
  xdotool mousemove_relative 4 4 key Escape
  wait "$program"
  [ -n "$found" ] && convert "$shot" -colorspace Gray -resize 400% "$out"
  local saved=$?
  rm -f "$shot"
  return "$saved"
}
