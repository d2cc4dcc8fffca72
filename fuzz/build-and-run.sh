#!/usr/bin/env bash
# Builds the libFuzzer targets of the dictionary reader and the lookup with clang and runs each
# for a bounded time. Independent of the CMake build.
#
#   fuzz/build-and-run.sh [seconds per target]      (default 30)
#
# Needs clang (Debian's, with libFuzzer) and the Qt 6 Core development files. Builds into
# build/fuzz unless ORLUNE_FUZZ_DIR says otherwise; the corpus grows there between runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${ORLUNE_FUZZ_DIR:-$root/build/fuzz}
seconds=${1:-30}
cxx=${CXX_FUZZ:-clang++}

read -r -a qt <<<"$(pkg-config --cflags --libs Qt6Core)"
sources=("$root/lookup/dictionary.cpp" "$root/lookup/phoneticcode.cpp"
         "$root/lookup/wordlookup.cpp" "$root/lookup/wordpickers.cpp")
flags=(-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -DQT_NO_CAST_FROM_BYTEARRAY -DQT_USE_QSTRINGBUILDER -I"$root")

mkdir -p "$out"
seed() { # seed <target> <name> <printf format>
    mkdir -p "$out/corpus/$1"
    printf "$3" >"$out/corpus/$1/$2"
}
seed fuzz_dictionary good '$a[ei, 2]art.\xd2\xbb\xb8\xf6$May[mei]n.$may[mei]aux.$\r\n\0\0'
seed fuzz_dictionary no-dollar 'a[ei]art.\r\n'
seed fuzz_dictionary no-close '$word[w3:d meaning$other[]x$'
seed fuzz_dictionary truncated '$word[w3:d]mean'
seed fuzz_dictionary not-gbk '$w\xff\xfe[\x81]\x80$x[]\xa1'
seed fuzz_dictionary brackets '$cheque[t6ek]n.=[check]$$[]$]['
seed fuzz_lookup words 'stopped'
seed fuzz_lookup sentence "Don't stop, it's 5 o'clock.\r\numbrella /n.\xe4\xbc\x9e"
seed fuzz_lookup across 'a[ei, 2]art.$book'

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in fuzz_dictionary fuzz_lookup; do
    echo "== $target: building"
    "$cxx" "${flags[@]}" "${sources[@]}" "$here/$target.cpp" "${qt[@]}" -o "$out/$target"
    echo "== $target: running for ${seconds}s"
    "$out/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
        -artifact_prefix="$out/$target-" "$out/corpus/$target"
done
echo "fuzzing finished without a crash"
