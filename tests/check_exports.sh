#!/bin/bash
# Checks that a built library exports exactly the functions of its version
# script, and that the script lists them in the header's declaration order.
set -euo pipefail
lib=$1 map=$2 header=$3 count=$4 gang=$5
exported=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TW]$/ {sub(/@.*/, "", $3); print $3}' | sort)
listed=$(sed -n 's/^ *\(QMR[A-Za-z0-9]*\);$/\1/p' "$map")
n=$(printf '%s\n' "$listed" | grep -c .)
[ "$n" -eq "$count" ] || { echo "$map lists $n exports, expected $count"; exit 1; }
if [ "$exported" != "$(printf '%s\n' "$listed" | sort)" ]; then
  echo "exported set differs from $map:"
  diff <(printf '%s\n' "$exported") <(printf '%s\n' "$listed" | sort) || true
  exit 1
fi
# Declaration order in the header (gang-only names dropped for the single build).
declared=$(awk -v gang="$gang" '
  /exports, in export-table order/ {on=1}
  /reading the system-information block/ {on=0}
  on && /^#ifdef QMR_GANG/ {g=1; next}
  on && /^#endif/ {g=0; next}
  on && match($0, /QMR[A-Za-z0-9]+\(/) { if (!g || gang == "1") print substr($0, RSTART, RLENGTH-1) }
' "$header")
if [ "$declared" != "$listed" ]; then
  echo "$map order differs from the header's"
  diff <(printf '%s\n' "$declared") <(printf '%s\n' "$listed") || true
  exit 1
fi
echo "$(basename "$lib"): exactly $count exports, in table order"
