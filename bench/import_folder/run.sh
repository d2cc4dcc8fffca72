#!/usr/bin/env bash
# Imports a book's folder of 72 lessons of about 1.5 minutes each (half LRC, half plain text,
# which is aligned) with one `orlune-course import-folder`, and prints its time and peak memory
# beside the baseline of the same run: one lesson imported by `orlune-course import`, times 72.
#   bash bench/import_folder/run.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/../.."
bin="$(cd "${1:-build/release}" && pwd)/bin"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
[ -n "${KEEP_BENCH_FOLDER:-}" ] && trap - EXIT && echo "$work" >&2
course() { "$bin/orlune-course" "$@"; }

# One lesson three times over, spoken by flite (a voice the aligner does not use): about 1.5
# minutes. The LRC takes its times from aligning the text once.
course show 1 1 | tail -n +2 | cut -f4 >"$work/once.txt"
cat "$work/once.txt" "$work/once.txt" "$work/once.txt" >"$work/long.txt"
flite -voice slt -f "$work/long.txt" -o "$work/long.wav"
course align --audio "$work/long.wav" --text "$work/long.txt" | awk -F'\t' '
    { t = $1; m = int(t / 60); s = t - 60 * m; printf("[%02d:%05.2f]%s\n", m, s, $3) }' >"$work/long.lrc"
length=$(awk -F'\t' 'END { print $2 }' <(course align --audio "$work/long.wav" --text "$work/long.txt"))

folder="$work/book"
mkdir -p "$folder"
for n in $(seq 1 72); do
    name=$(printf 'Lesson %03d' "$n")
    cp "$work/long.wav" "$folder/$name.wav"
    if ((n % 2)); then cp "$work/long.lrc" "$folder/$name.lrc"; else cp "$work/long.txt" "$folder/$name.txt"; fi
done

measure() { # label, then the command: prints "label seconds peak-MB"
    local label=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/$label.out" 2>"$work/err" || true
    read -r seconds kb < <(tail -1 "$work/time")
    echo "$label $seconds $((kb / 1024))"
}
single=$(measure one "$bin/orlune-course" import --replace --store "$work/one" --book 2 --lesson 1 \
    --audio "$work/long.wav" --text "$work/long.txt")
whole=$(measure folder "$bin/orlune-course" import-folder --book 2 --folder "$folder" --replace \
    --store "$work/store")
stored=$(grep -cE $'\t(stored|unsure [0-9]+)\t' "$work/folder.out" || true)
read -r _ one_s one_mb <<<"$single"
read -r _ all_s all_mb <<<"$whole"
audio_minutes=$(awk -v l="$length" 'BEGIN { printf "%.0f", 72 * l / 60 }')
echo "72 lessons, ${audio_minutes} minutes of recordings, ${stored} stored"
echo "one lesson by import (baseline): ${one_s} s, peak ${one_mb} MB"
echo "the folder by import-folder:     ${all_s} s, peak ${all_mb} MB"
awk -v a="$all_s" -v o="$one_s" -v am="$all_mb" -v om="$one_mb" 'BEGIN {
    printf "time against 72 single imports: %.2f; peak memory against one import: %.2f\n",
        a / (72 * o), am / om }'
