#!/usr/bin/env bash
# Starts a private PulseAudio daemon for the tests: a 440 Hz sine source as the
# microphone ("mic") and a null sink as the speaker ("speaker").
#   scripts/test-pulse.sh start DIR   → prints the PULSE_SERVER value to use
#   scripts/test-pulse.sh stop DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?runtime folder}
mkdir -p "$dir"
socket="$dir/native"
case "$cmd" in
start)
  export PULSE_RUNTIME_PATH="$dir" PULSE_STATE_PATH="$dir" XDG_RUNTIME_DIR="$dir" HOME="$dir"
  rm -f "$socket"
  pulseaudio --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
    --disable-shm=yes -n \
    -L "module-native-protocol-unix socket=$socket auth-anonymous=1" \
    -L "module-null-sink sink_name=speaker" \
    -L "module-sine-source source_name=mic frequency=440" \
    >"$dir/daemon.log" 2>&1 &
  echo $! >"$dir/daemon.pid"
  for _ in $(seq 1 100); do
    if PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1; then
      PULSE_SERVER="unix:$socket" pactl set-default-source mic
      PULSE_SERVER="unix:$socket" pactl set-default-sink speaker
      echo "unix:$socket"
      exit 0
    fi
    sleep 0.1
  done
  echo "PulseAudio did not start; its log:" >&2
  cat "$dir/daemon.log" >&2
  exit 1
  ;;
stop)
  if [ -f "$dir/daemon.pid" ]; then
    kill "$(cat "$dir/daemon.pid")" 2>/dev/null || true
    rm -f "$dir/daemon.pid"
  fi
  ;;
esac
