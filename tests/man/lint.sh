#!/usr/bin/env bash
# The manual pages render without a warning from either formatter.
set -euo pipefail
status=0
for page in "$@"; do
  report=$(mandoc -T lint -W warning "$page" 2>&1; groff -ww -man -z "$page" 2>&1)
  if [ -n "$report" ]; then
    echo "$report"
    status=1
  fi
done
exit $status
