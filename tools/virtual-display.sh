# Sourced: makes sure a display is set, starting a private Xvfb when none is. The server ends
# with the shell that sourced this (stop_virtual_display in its EXIT trap).
start_virtual_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local fifo number
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  VIRTUAL_DISPLAY_PID=$!
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_virtual_display() {
  if [ -n "${VIRTUAL_DISPLAY_PID:-}" ]; then
    kill "$VIRTUAL_DISPLAY_PID" 2>/dev/null || true
    wait "$VIRTUAL_DISPLAY_PID" 2>/dev/null || true
  fi
}
