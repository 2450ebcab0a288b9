#!/usr/bin/env bash
# Makes resources/playtest.wav, the "PLAYTEST" voice sample of the microphone test: a spoken
# sentence as PCM 22050 Hz, 16-bit, mono, 127890 sample bytes (2.9 s) behind a 44-byte header.
#   scripts/make-playtest.sh [OUT.wav]
# Needs espeak-ng and sox; the output is the same on every run (no dither).
set -euo pipefail
out=${1:-"$(dirname "$0")/../resources/playtest.wav"}
sentence="Hello. This is how loud your recording should sound."
samples=63945 # 127890 bytes of 16-bit mono
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

espeak-ng -v en-us -s 175 -w "$tmp/speech.wav" "$sentence"
# Silence cut from both ends; peak at -3 dBFS, a clear recording level.
sox -D "$tmp/speech.wav" -r 22050 -b 16 -c 1 -e signed-integer "$tmp/trimmed.wav" \
  silence 1 0.02 0.5% reverse silence 1 0.02 0.5% reverse gain -n -3
# 10 ms lead-in, then padded with silence (or cut) to the exact length.
sox -D -V1 "$tmp/trimmed.wav" -t wav "$out" pad 0.01 1 trim 0 "${samples}s"

size=$(stat -c %s "$out")
if [ "$size" -ne $((44 + samples * 2)) ]; then
  echo "make-playtest: $out has $size bytes, expected $((44 + samples * 2))" >&2
  exit 1
fi
echo "$out"
