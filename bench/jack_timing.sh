#!/usr/bin/env bash
# Plays a 10-second file to JACK on private servers (dummy driver, 48 kHz) at
# 64 and at 1024 frames a period, and prints the timing error, jitter, CPU
# time, JACK clients and threads of each run (see jack_timing.cpp). With
# --tempo the player plays at that percentage of the file's tempo, and the
# timing is measured against the schedule scaled to match.
#   bench/jack_timing.sh [--tempo PERCENT] [RUNS [PLAYER]]     default: 3 runs of build/player/tactus
set -euo pipefail
cd "$(dirname "$0")/.."
tempo=()
if [[ ${1:-} == --tempo ]]; then
  tempo=("$2")
  shift 2
fi
runs=${1:-3}
player=$(realpath "${2:-build/player/tactus}")

cmake -S . -B build -G Ninja -DTACTUS_BUILD_BENCH=ON >/dev/null
cmake --build build --target tactus_player jack_timing >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for period in 64 1024; do
  export JACK_DEFAULT_SERVER=tactus-bench-$$-$period
  jackd -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p "$period" >"$work/jackd.log" 2>&1 &
  server=$!
  for _ in $(seq 100); do jack_lsp >/dev/null 2>&1 && break; sleep 0.1; done
  build/bench/jack_timing "$player" "$work/song.mid" "$runs" "${tempo[@]}" || true
  kill "$server"
  wait "$server" || true
done
