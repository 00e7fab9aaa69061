# Sourced: qf_display_up starts a virtual X server when there is no display
# (and waits until it answers); qf_display_down stops only the one it started.
qf_display_up() {
  QF_XVFB_PID=
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local fifo; fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$fifo" >/dev/null 2>&1 &
  QF_XVFB_PID=$!
  local number; read -r -t 20 number <"$fifo" || true
  rm -f "$fifo"
  if [ -z "$number" ]; then
    echo "xvfb: the virtual display did not start" >&2
    return 1
  fi
  export DISPLAY=":$number"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.1; done
  echo "xvfb: display $DISPLAY does not answer" >&2
  return 1
}

qf_display_down() {
  if [ -n "${QF_XVFB_PID:-}" ]; then
    kill "$QF_XVFB_PID" 2>/dev/null || true
    wait "$QF_XVFB_PID" 2>/dev/null || true
    QF_XVFB_PID=
  fi
}

# qf_session_up: a display (virtual when needed) and a Wine server kept
# running for the prefix, so that each program starts quickly;
# qf_session_down ends both (only the display that qf_display_up started).
qf_session_up() {
  qf_display_up || return 1
  # A server already kept for this prefix (say, from a run by hand) is fine;
  # wineserver -p then answers 2.
  wineserver -p || [ $? -eq 2 ]
}

qf_session_down() {
  wineserver -k 2>/dev/null || true
  qf_display_down
}
