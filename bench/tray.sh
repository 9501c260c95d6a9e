#!/usr/bin/env bash
# The tray application's cost next to goodvibes (Debian's, installed when missing), both on the
# same private desktop (Xvfb with trayer, a session bus and PulseAudio of this script's own) and
# the same loopback stream: time from start to the tray icon (median of RUNS starts), CPU while
# playing (quilvo's icon bobs at 15 frames a second, goodvibes' stays still) and memory.
# Usage: bench/tray.sh [RUNS [PLAY_SECONDS [ROUNDS]]]   (defaults 5, 30 and 3; QUILVO_BUILD,
# default build/default, is the build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
play_seconds=${2:-30}
rounds=${3:-3}
build=${QUILVO_BUILD:-build/default}
app=$build/bin/quilvo

. scripts/private-desktop.sh
need_package goodvibes
if [ ! -x "$app" ]; then
  if [ -f "$build/build.ninja" ]; then cmake --build "$build" --target quilvo; else scripts/setup; fi
fi

desktop_start
dir=$DESKTOP_DIR
url="http://127.0.0.1:$STREAM_PORT/stream?burst=4"
python3 - "$url" >"$dir/stations.json" <<'PY'
import json, sys
print(json.dumps({"stations": [
    {"station_id": f"local-{mood}", "station_name": f"Local {mood}", "stream_url": sys.argv[1],
     "mood_ids": [mood], "primary_mood": mood, "source": "local", "active": True}
    for mood in ("bright", "calm", "energy", "sleep")]}))
PY
mkdir -p "$dir/home/runtime"
chmod 700 "$dir/home/runtime"
# Both players keep their settings and state in the desktop's folder.
export XDG_CONFIG_HOME=$dir/home/config XDG_DATA_HOME=$dir/home/data
export XDG_STATE_HOME=$dir/home/state XDG_RUNTIME_DIR=$dir/home/runtime
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1 DO_NOT_TRACK=1 LANG=zh_CN.UTF-8 QT_QPA_PLATFORM=xcb

player_pid=""
# goodvibes plays the station it is given at once; quilvo waits to be told (over MPRIS).
start_quilvo() {
  "$app" --catalogue "$dir/stations.json" &
  player_pid=$!
}
start_goodvibes() {
  goodvibes --status-icon "$url" 2>/dev/null &
  player_pid=$!
}
play_quilvo() { playerctl -p quilvo play; }
play_goodvibes() { :; }
stop_player() {
  if [ -n "$player_pid" ]; then
    kill "$player_pid" 2>/dev/null || true
    wait "$player_pid" 2>/dev/null || true
    player_pid=""
  fi
}
trap 'stop_player; desktop_stop' EXIT

# A visible window of WM class $1 the size of a tray icon.
has_icon() { windows "$1" | awk '$4 <= 32 && $5 <= 32' | grep -q .; }
is_playing() { [ "$(playerctl -p "$1" status 2>/dev/null)" = Playing ]; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Time on a core in nanoseconds, summed over the threads: at well under 1 % of a core, the 10 ms
# ticks of /proc/PID/stat would leave a few dozen samples.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ns += $1} END {printf "%d", ns}'; }
rss_mb() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# Sets `icon_ms` to the median of RUNS times (ms) from start to a tray icon, for player $1
# (quilvo or goodvibes) whose windows have WM class $2.
time_to_icon() {
  local player=$1 class=$2 times=() start
  for _ in $(seq "$runs"); do
    start=$(now_ms)
    "start_$player"
    until has_icon "$class"; do
      if (($(now_ms) - start > 15000)); then
        echo "bench/tray.sh: no $player icon within 15 s" >&2
        exit 1
      fi
      sleep 0.01
    done
    times+=($(($(now_ms) - start)))
    stop_player
  done
  icon_ms=$(printf '%s\n' "${times[@]}" | median)
}

# Appends "cpu_percent rss_mb" over PLAY_SECONDS of playing to the array named $1, for player
# $2 whose MPRIS name is $3 and whose windows have WM class $4.
play_round() {
  local -n rounds_of=$1
  local player=$2 bus_name=$3 class=$4 ns
  "start_$player"
  wait_for "the $player icon" has_icon "$class"
  wait_for "$player on the bus" playerctl -p "$bus_name" status
  "play_$player"
  wait_for "$player to play" is_playing "$bus_name"
  sleep 3 # past the connection and the fade-in
  ns=$(cpu_ns "$player_pid")
  sleep "$play_seconds"
  ns=$(($(cpu_ns "$player_pid") - ns))
  rounds_of+=("$(awk -v ns="$ns" -v s="$play_seconds" 'BEGIN {printf "%.3f", 100 * ns / 1e9 / s}') $(rss_mb "$player_pid")")
  stop_player
}

# "median [min-max]" of the numbers on standard input.
spread() {
  local sorted
  sorted=$(sort -n)
  echo "$(median <<<"$sorted") [$(head -1 <<<"$sorted")-$(tail -1 <<<"$sorted")]"
}

time_to_icon quilvo quilvo
q_ms=$icon_ms
time_to_icon goodvibes goodvibes
g_ms=$icon_ms
# A fraction of a percent of a core moves by a tenth between runs on a busy machine: the two
# players take turns, round after round, so that both see the same moments.
q_rounds=() g_rounds=()
for _ in $(seq "$rounds"); do
  play_round q_rounds quilvo quilvo quilvo
  play_round g_rounds goodvibes Goodvibes goodvibes
done
q_cpu=$(printf '%s\n' "${q_rounds[@]}" | awk '{print $1}' | spread)
g_cpu=$(printf '%s\n' "${g_rounds[@]}" | awk '{print $1}' | spread)
q_rss=$(printf '%s\n' "${q_rounds[@]}" | awk '{print $2}' | spread)
g_rss=$(printf '%s\n' "${g_rounds[@]}" | awk '{print $2}' | spread)

echo "tray: start to icon (median of $runs starts); CPU (% of one core) over $play_seconds s of playing"
echo "and RSS at its end, median [min-max] of $rounds rounds"
printf '%-10s %14s %22s %22s\n' player "to icon (ms)" "CPU %" "RSS MB"
printf '%-10s %14s %22s %22s\n' quilvo "$q_ms" "$q_cpu" "$q_rss"
printf '%-10s %14s %22s %22s\n' goodvibes "$g_ms" "$g_cpu" "$g_rss"
