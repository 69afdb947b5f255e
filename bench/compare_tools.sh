#!/bin/bash
# Loads the same 8 MB images with the library's loader and converts them to
# binary with GNU objcopy and SRecord's srec_cat in the same run, checks the
# bytes agree, and prints the ratios (best of five runs each) beside the goals:
# at least 10 times objcopy's speed and 50 times srec_cat's, on both formats.
# Usage: bench/compare_tools.sh [BUILD_DIR]   (needs binutils and srecord)
set -euo pipefail
build=${1:-build}
command -v objcopy >/dev/null || { echo "objcopy missing (apt-get install binutils)"; exit 2; }
command -v srec_cat >/dev/null || { echo "srec_cat missing (apt-get install srecord)"; exit 2; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$build/bench/genimages" "$dir"

best() {  # best wall time of five runs of a command, in microseconds
  local b=0
  for _ in 1 2 3 4 5; do
    local t0 t1
    t0=$(date +%s%N); "$@" >/dev/null 2>&1; t1=$(date +%s%N)
    local us=$(( (t1 - t0) / 1000 ))
    if [ "$b" -eq 0 ] || [ "$us" -lt "$b" ]; then b=$us; fi
  done
  echo "$b"
}

for fmt in hex s; do
  file="$dir/image.$fmt"
  size=$(stat -c %s "$file")
  ours=$("$build/bench/hexload" "$file" "$dir/ours.$fmt.bin")
  if [ "$fmt" = hex ]; then in=ihex; sin=-Intel; else in=srec; sin=-Motorola; fi
  objcopy_us=$(best objcopy -I "$in" -O binary "$file" "$dir/objcopy.$fmt.bin")
  srec_us=$(best srec_cat "$file" $sin -o "$dir/srec.$fmt.bin" -Binary)
  cmp -s "$dir/ours.$fmt.bin" "$dir/objcopy.$fmt.bin" || { echo "image differs from objcopy's ($fmt)"; exit 1; }
  cmp -s "$dir/ours.$fmt.bin" "$dir/srec.$fmt.bin" || { echo "image differs from srec_cat's ($fmt)"; exit 1; }
  awk -v f="$fmt" -v n="$size" -v o="$ours" -v a="$objcopy_us" -v s="$srec_us" 'BEGIN {
    printf "%-4s %6.1f MB text: ours %7.1f ms (%6.0f MB/s), objcopy %7.1f ms, srec_cat %7.1f ms; ours is %5.1fx objcopy (goal 10x), %5.1fx srec_cat (goal 50x)\n",
      f, n/1e6, o/1000, n/o, a/1000, s/1000, a/o, s/o }'
done
echo "images agree byte for byte"
