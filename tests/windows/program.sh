#!/usr/bin/env bash
# tactus.exe under Wine, once: main hands the command line and the console
# streams to the player, lines end in CR LF, and with Wine's audio drivers
# off the backend finds no MIDI device. The messages themselves are checked
# in-process by the player's tests.
#   program.sh WINE TACTUS_EXE
set -u
wine=$1 tactus=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\4\0\377\57\0' > empty.mid
printf 'Error:  Cannot open default MIDI output port.\r\n' > no_device.err
name=$("$wine" winepath -w "$tactus" | tr -d '\r\n')
"$wine" "$tactus" --help > help.out 2> help.err < /dev/null
help=$? usage=$(cat help.err)
"$wine" "$tactus" empty.mid > play.out 2> play.err < /dev/null
play=$?
failed=0
if [ "$help" != 1 ] || [ -s help.out ] || [[ $usage != "Usage:  $name [ --out "*" <filename.mid>"$'\r\n'"        [ --tempo "*" ]"$'\r\n'"Keys:  "*" ? keys"$'\r' ]]; then
  echo "FAILED: tactus.exe --help: status $help, standard error: $usage"
  failed=1
fi
if [ "$play" != 1 ] || [ -s play.out ] || ! cmp -s no_device.err play.err; then
  echo "FAILED: tactus.exe empty.mid: status $play, standard error: $(cat play.err)"
  failed=1
fi
exit $failed
