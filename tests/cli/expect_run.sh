#!/usr/bin/env bash
# Runs a program and checks its exit status, standard output and standard
# error byte for byte.
#
#   expect_run.sh [--needs-no-devices PORTS_PROGRAM] STATUS STDOUT STDERR -- PROGRAM ARGUMENTS...
#
# STDOUT and STDERR are the expected texts with \n for line breaks. In them
# and in the arguments, @PROGRAM@ stands for the program's path, @MIDI@ for a
# valid MIDI file without events, @NOT_MIDI@ for a text file and @DIR@ for a
# directory. With --needs-no-devices the test is skipped (status 77) when
# PORTS_PROGRAM lists any MIDI output device.
set -u

if [ "$1" = "--needs-no-devices" ]; then
  if [ -n "$("$2" 2>/dev/null)" ]; then
    echo "skipped: this machine has MIDI output devices"
    exit 77
  fi
  shift 2
fi
expected_status=$1 expected_stdout=$2 expected_stderr=$3
shift 3
[ "$1" = "--" ] && shift
program=$1
shift

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Format 0, one track, 480 ticks per quarter note, only the end of the track.
printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\4\0\377\57\0' > "$work/empty.mid"
printf 'These are not MIDI bytes.\n' > "$work/notes.txt"
mkdir "$work/folder"

substitute() {
  local text=$1
  text=${text//@PROGRAM@/$program}
  text=${text//@MIDI@/$work/empty.mid}
  text=${text//@NOT_MIDI@/$work/notes.txt}
  text=${text//@DIR@/$work/folder}
  printf '%s' "$text"
}

arguments=()
for argument in "$@"; do arguments+=("$(substitute "$argument")"); done
printf '%b' "$(substitute "$expected_stdout")" > "$work/expected.out"
printf '%b' "$(substitute "$expected_stderr")" > "$work/expected.err"

"$program" "${arguments[@]}" > "$work/actual.out" 2> "$work/actual.err" < /dev/null
status=$?

failed=0
if [ "$status" != "$expected_status" ]; then
  echo "exit status $status, expected $expected_status"
  failed=1
fi
for stream in out err; do
  if ! cmp -s "$work/expected.$stream" "$work/actual.$stream"; then
    echo "standard $stream differs:"
    diff <(od -c "$work/expected.$stream") <(od -c "$work/actual.$stream")
    failed=1
  fi
done
exit $failed
