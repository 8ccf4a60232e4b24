#!/usr/bin/env bash
# The messages and exit statuses of tactus.exe under Wine, checked byte for
# byte. A Windows console program ends its lines with CR LF.
#
#   cli_messages.sh WINE TACTUS_EXE TACTUS_PORTS_EXE
#
# WINE runs a Windows program (with WINEPREFIX and WINEDEBUG already set).
# Without any MIDI output device, the tests of opening ports expect the
# failures; with devices they are left out and said so.
set -u
wine=$1 tactus=$2 ports=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
# Format 0, one track, 480 ticks per quarter note, only the end of the track.
printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\4\0\377\57\0' > empty.mid
printf 'These are not MIDI bytes.\r\n' > notes.txt

# The program's name as Windows hands it to the program.
program_name=$("$wine" winepath -w "$tactus" | tr -d '\r\n')
usage="Usage:  $program_name [ --out <device id> ] [ --track-out <n> <device id> ] ... [ --from ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ --to ( tick:<tick> | beat:<beat> | mb:<m>:<b> | mbt:<m>:<b>:<t> | time:<time> | hms:<h>:<m>:<s> | hmsf:<h>:<m>:<s>:<f> | marker:<marker> ) ] [ ( --solo-track <n> ) ... | ( --mute-track <n> ) ... ] [ --extra-time <seconds> ] [ -- ] <filename.mid>"

passed=0 failed=0

# check NAME STATUS STDOUT STDERR -- PROGRAM ARGUMENTS...: the texts are whole
# lines without their line break; "" stands for an empty stream.
check() {
  local name=$1 status=$2 out=$3 err=$4
  shift 5
  local program=$1
  shift
  [ -n "$out" ] && out+=$'\r\n'
  [ -n "$err" ] && err+=$'\r\n'
  printf '%s' "$out" > expected.out
  printf '%s' "$err" > expected.err
  "$wine" "$program" "$@" > actual.out 2> actual.err < /dev/null
  local actual_status=$? problems=""
  [ "$actual_status" = "$status" ] || problems+="  exit status $actual_status, expected $status"$'\n'
  cmp -s expected.out actual.out || problems+="  standard output: $(od -c actual.out | head -4)"$'\n'
  cmp -s expected.err actual.err || problems+="  standard error: $(od -c actual.err | head -4)"$'\n'
  if [ -z "$problems" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED %s\n%s' "$name" "$problems"
  fi
}

for help in --help -h /help /h /?; do
  check "usage for $help" 1 "" "$usage" -- "$tactus" "$help"
  check "usage for $help among valid arguments" 1 "" "$usage" -- "$tactus" --from tick:0 empty.mid "$help"
done
check "usage without arguments" 1 "" "$usage" -- "$tactus"
check "usage for two file names" 1 "" "$usage" -- "$tactus" empty.mid empty.mid
check "usage for an unknown option" 1 "" "$usage" -- "$tactus" empty.mid --loop
check "usage for --out without its device" 1 "" "$usage" -- "$tactus" empty.mid --out
check "usage for --track-out without its device" 1 "" "$usage" -- "$tactus" empty.mid --track-out 1
check "usage for --extra-time without its seconds" 1 "" "$usage" -- "$tactus" empty.mid --extra-time

check "help word after two dashes is a file name" 1 "" 'Error:  Cannot open "--help".' -- "$tactus" -- --help
check "missing file" 1 "" 'Error:  Cannot open "no\such\song.mid".' -- "$tactus" 'no\such\song.mid'
check "file that is no MIDI file" 1 "" 'Error:  Cannot open "notes.txt".' -- "$tactus" notes.txt

check "unknown device name" 1 'Error:  No such MIDI output device "no such device".' "" \
  -- "$tactus" --out "no such device" empty.mid
check "device -1" 1 'Error:  No such MIDI output device "-1".' "" -- "$tactus" --out -1 empty.mid
check "unknown --track-out device" 1 'Error:  No such MIDI output device "nowhere".' "" \
  -- "$tactus" --track-out 1 nowhere empty.mid
check "device number without a device" 1 "" "Error:  Cannot open MIDI output port #2147483647." \
  -- "$tactus" --track-out 0 2147483647 empty.mid
check "--out device is opened after loading" 1 "" 'Error:  Cannot open "missing.mid".' \
  -- "$tactus" --out 2147483647 missing.mid

devices=$("$wine" "$ports" < /dev/null)
if [ -z "$devices" ]; then
  check "no default device" 1 "" "Error:  Cannot open default MIDI output port." -- "$tactus" empty.mid
  check "no device 0" 1 "" "Error:  Cannot open MIDI output port #0." -- "$tactus" --out 0 empty.mid
  check "no device 0 for a track" 1 "" "Error:  Cannot open MIDI output port #0." \
    -- "$tactus" --track-out 3 0 missing.mid
  check "tactus-ports lists nothing" 0 "" "" -- "$ports"
else
  echo "Wine has MIDI output devices; the tests of missing devices are left out:"
  echo "$devices"
fi

echo "tactus.exe messages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
