# shellcheck shell=bash
# Sourced by scripts/screenshots: a desktop of the caller's own for the tray
# application, so that nothing of the user's desktop is touched and nothing leaves this machine.
#   desktop_start     Xvfb on a free display with a tray along the top edge (trayer), a session
#                     bus and a PulseAudio server, exported as DISPLAY, DBUS_SESSION_BUS_ADDRESS
#                     and PULSE_SERVER; a looping 440 Hz tone served on loopback by
#                     tests/tools/fault_stream_server.py, its port in STREAM_PORT. Everything
#                     lives in DESKTOP_DIR and is stopped when the calling script exits.
#   desktop_spawn     runs a command in the background and stops it with the desktop.
#   wait_for WHAT CMD polls CMD (up to 15 s) until it succeeds, else exits with a message.
#   windows CLASS     the visible windows of WM class CLASS, one "id x y width height" a line.
#   need_package PKG  installs a Debian package when it is missing.

DESKTOP_DIR=$(mktemp -d /tmp/quilvo-desktop-XXXXXX)
desktop_pids=()

desktop_stop() {
  local i
  for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
    kill "${desktop_pids[i]}" 2>/dev/null || true
    wait "${desktop_pids[i]}" 2>/dev/null || true
  done
  rm -rf "$DESKTOP_DIR"
}
trap desktop_stop EXIT

desktop_spawn() {
  "$@" &
  desktop_pids+=($!)
}

wait_for() {
  local what=$1
  shift
  for _ in $(seq 300); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.05
  done
  echo "$(basename "$0"): gave up waiting for $what" >&2
  exit 1
}

windows() {
  local id
  for id in $(xdotool search --onlyvisible --class "$1" 2>/dev/null); do
    xdotool getwindowgeometry --shell "$id" 2>/dev/null |
      awk -F= -v id="$id" '{v[$1] = $2} END {if (v["WIDTH"]) print id, v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]}'
  done
}

need_package() {
  if dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; then
    return
  fi
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "Installing: $1"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$1" \
    >/dev/null
}

desktop_start() {
  local dir=$DESKTOP_DIR
  desktop_spawn Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset \
    3>"$dir/display" 2>/dev/null
  wait_for "Xvfb" test -s "$dir/display"
  DISPLAY=:$(cat "$dir/display")
  export DISPLAY
  desktop_spawn trayer --edge top --align right --widthtype request --height 24 \
    --SetDockType true --transparent false --expand true >/dev/null 2>&1

  desktop_spawn dbus-daemon --session --nofork --address="unix:path=$dir/bus" 2>/dev/null
  export DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/bus
  mkdir -p "$dir/pulse"
  PULSE_RUNTIME_PATH=$dir/pulse desktop_spawn pulseaudio --daemonize=no --exit-idle-time=-1 \
    --disallow-exit -n --use-pid-file=no --log-level=error \
    --load="module-native-protocol-unix auth-anonymous=1 socket=$dir/pulse/native" \
    --load="module-null-sink sink_name=desktop"
  export PULSE_SERVER=unix:$dir/pulse/native
  wait_for "PulseAudio" pactl info

  ffmpeg -hide_banner -loglevel error -nostdin -y -f lavfi \
    -i "sine=frequency=440:sample_rate=44100:duration=20" -ac 2 -c:a libmp3lame -b:a 128k \
    -id3v2_version 0 "$dir/tone.mp3"
  desktop_spawn python3 tests/tools/fault_stream_server.py --audio "$dir/tone.mp3" \
    >"$dir/stream"
  wait_for "the stream server" grep -q PORT "$dir/stream"
  export STREAM_PORT
  STREAM_PORT=$(awk '/PORT/ {print $2}' "$dir/stream")
}
