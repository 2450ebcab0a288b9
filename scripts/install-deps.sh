#!/usr/bin/env bash
# Installs everything the build, the tests, the benchmarks and the program need
# on Debian 12. Idempotent: packages already present are not fetched again.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake pkg-config ninja-build
  # Qt 6 (widgets, GUI, SVG for the artwork, test framework)
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
  # pictures
  libmagick++-dev imagemagick libturbojpeg0-dev libjpeg-dev
  # sound
  libpulse-dev pulseaudio pulseaudio-utils libmp3lame-dev libmp3lame0 sox espeak-ng
  # audio files as narration, video export (FFmpeg libraries; H.264 through libx264), loudness
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev libebur128-dev
  # publishing and the reference service
  libcurl4-openssl-dev libsqlite3-dev libcpp-httplib-dev curl
  # the service's PostgreSQL back end (libpq) and the server its tests start a cluster of
  libpq-dev postgresql
  # the service's password hashes (Argon2id)
  libsodium-dev
  # tests and benchmarks (lame: the reference encoder the MP3 benchmark compares with;
  # libjpeg-turbo-progs: djpeg, the decoder the picture import benchmark compares with)
  libgtest-dev libgmock-dev googletest libbenchmark-dev libvips-tools lame libjpeg-turbo-progs
  # ffmpeg/ffprobe: test inputs in other audio formats and checks of exported files;
  # chromium + chromium-driver: the service's pages tested in a real browser
  ffmpeg chromium chromium-driver
  # fonts
  fonts-liberation2
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
