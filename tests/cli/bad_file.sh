#!/usr/bin/env bash
# Runs the program on a file it cannot load and checks that it says so:
# "Error:  Cannot open "<file>"." on standard error, nothing on standard
# output, exit status 1.
#
#   bad_file.sh PROGRAM KIND
#
# KIND: empty (0 bytes), header_cut (a header chunk cut short), unreadable
# (no read permission), dev_zero (/dev/zero, zeros without end). Permissions
# do not stop root, so as root the unreadable file is given to the program
# run as the user nobody (skipped, status 77, without setpriv).
set -u
program=$1 kind=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run=("$program")
case $kind in
  empty)
    file=$work/empty.mid
    : > "$file"
    ;;
  header_cut)
    file=$work/cut.mid
    printf 'MThd\0\0\0\6\0\1' > "$file"
    ;;
  unreadable)
    file=$work/locked.mid
    printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\4\0\377\57\0' > "$file"
    chmod 000 "$file"
    if [ "$(id -u)" -eq 0 ]; then
      if ! command -v setpriv > /dev/null; then
        echo "skipped: running as root without setpriv"
        exit 77
      fi
      # A copy of the program where nobody may run it, whatever the
      # permissions of the build folder.
      chmod 755 "$work"
      cp "$program" "$work/program"
      run=(setpriv --reuid=65534 --regid=65534 --clear-groups -- "$work/program")
      if setpriv --reuid=65534 --regid=65534 --clear-groups -- cat "$file" > /dev/null 2>&1; then
        echo "the user nobody can read a file of mode 000"
        exit 1
      fi
    fi
    ;;
  dev_zero)
    file=/dev/zero
    ;;
  *)
    echo "unknown kind $kind"
    exit 2
    ;;
esac

"${run[@]}" "$file" > "$work/out" 2> "$work/err" < /dev/null
status=$?
printf 'Error:  Cannot open "%s".\n' "$file" > "$work/expected.err"

failed=0
if [ "$status" != 1 ]; then
  echo "exit status $status, expected 1"
  failed=1
fi
if [ -s "$work/out" ]; then
  echo "standard output not empty:"
  cat "$work/out"
  failed=1
fi
if ! cmp -s "$work/expected.err" "$work/err"; then
  echo "standard error differs:"
  diff "$work/expected.err" "$work/err"
  failed=1
fi
exit $failed
