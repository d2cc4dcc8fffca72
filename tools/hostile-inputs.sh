#!/usr/bin/env bash
# Replays hostile inputs against a built tree and prints a table of what happened: recordings
# the sink cannot play, absurd sentence times, a sound server that is missing or dies, planted
# links, two copies at once, a temporary folder that does not exist, a huge recording, a
# hundred short plays in a row, learner's lessons (timed texts and whole folders among them) that
# cannot be imported, texts far beyond their recording, and a learner's store that is locked,
# damaged or left half-committed. Exits non-zero when any row is not the sound
# outcome.
#   bash tools/hostile-inputs.sh [build-dir]
# Needs the test sound server (eval "$(bash tools/start-pulse.sh)") and the sqlite3 shell.
set -uo pipefail
cd "$(dirname "$0")/.."
build="$(cd "${1:-build/release}" && pwd)"
bin="$build/bin"
work="$(mktemp -d)"
cleanup() {
    [ -n "${own_pulse:-}" ] && XDG_RUNTIME_DIR="$own_pulse" pulseaudio --kill 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failed=0

row() { # item, input, what happened, 0 when that is the sound outcome
    local verdict=ok
    [ "$4" = 0 ] || { verdict=FAIL; failed=1; }
    printf '| %-3s | %-46s | %-44s | %-4s |\n' "$1" "$2" "$3" "$verdict"
}

le() { # value, bytes: the value as little-endian bytes
    local v=$1 i out=""
    for ((i = 0; i < $2; i++)); do
        out+=$(printf '\\x%02x' $(((v >> (8 * i)) & 255)))
    done
    printf '%b' "$out"
}

write_wav() { # file, sample rate, frames[, sample source]: 16-bit mono noise, every frame sounding
    local bytes=$(($3 * 2))
    {
        printf 'RIFF'; le $((36 + bytes)) 4; printf 'WAVEfmt '; le 16 4; le 1 2; le 1 2
        le "$2" 4; le $(($2 * 2)) 4; le 2 2; le 16 2; printf 'data'; le "$bytes" 4
        head -c "$bytes" "${4:-/dev/urandom}"
    } >"$1"
}

make_lesson() { # folder, then start end pairs: book 1, Lesson 1 with one sentence a pair
    mkdir -p "$1/voices"
    local sql="CREATE TABLE 句库 (句子 TEXT, 中文 TEXT, 开始时间 VARCHAR(10), 结束时间 VARCHAR(10),
        课别 VARCHAR(100), 册别 VARCHAR(2));
        CREATE TABLE 单词 (单词 VARCHAR(50), 中文 VARCHAR(50), 课别 VARCHAR(50), 册别 VARCHAR(2));"
    local folder=$1 n=0
    shift
    while [ $# -ge 2 ]; do
        sql+="INSERT INTO 句库 VALUES ('Sentence $n.', '句子$n', '$1', '$2', 'Lesson 1', '1');"
        n=$((n + 1))
        shift 2
    done
    rm -f "$folder/lessons.wrd"
    sqlite3 "$folder/lessons.wrd" "$sql"
}

play() { # folder, sentence index, seconds allowed: runs orlune-course play, sets rc and took
    local started=$(date +%s%N)
    timeout -k 2 "$3" "$bin/orlune-course" --database "$1/lessons.wrd" --voice-dir "$1/voices" \
        play 1 1 "$2" >"$work/out" 2>&1
    rc=$?
    took=$((($(date +%s%N) - started) / 1000000))
}

echo "| no. | hostile input                                  | what happened                                | ok?  |"
echo "|-----|------------------------------------------------|----------------------------------------------|------|"

# 1: sample rates the sink cannot play are refused when decoding.
for rate in 40 1 400000; do
    make_lesson "$work/rate$rate" 0 .5
    write_wav "$work/rate$rate/voices/QVN101.dat" "$rate" $((rate < 100 ? 200 : rate))
    play "$work/rate$rate" 0 20
    row 1 "WAV recording at $rate Hz, orlune-course play" "exit $rc in $took ms: $(cut -d: -f1 "$work/out" | head -n 1)" \
        $((rc == 0 || rc >= 124))
done

# 10: absurd and unreachable end times end the play at the recording's end.
make_lesson "$work/times" .5 3000000 .2 9 .2 -1 .2 abc 1 .5
write_wav "$work/times/voices/QVN101.dat" 44100 $((44100 * 2))
for case in "0:end 3000000 s" "1:end 9 s, recording 2 s" "2:end -1" "3:end abc" "4:end before start"; do
    play "$work/times" "${case%%:*}" 20
    row 10 "${case#*:}" "exit $rc after $took ms" $((rc != 0 || took > 4000))
done

# 9: no sound server at all, and a server that dies while a sentence plays.
make_lesson "$work/long" 0 8
write_wav "$work/long/voices/QVN101.dat" 44100 $((44100 * 9))
started=$(date +%s%N)
PULSE_SERVER=unix:/nonexistent/orlune timeout -k 2 20 "$bin/orlune-course" \
    --database "$work/long/lessons.wrd" --voice-dir "$work/long/voices" play 1 1 0 >/dev/null 2>&1
rc=$?
took=$((($(date +%s%N) - started) / 1000000))
row 9 "no sound server, orlune-course play" "exit $rc after $took ms" $((rc == 0 || rc >= 124 || took > 5000))

own_pulse="$work/pulse"
ORLUNE_PULSE_DIR="$own_pulse" bash tools/start-pulse.sh >/dev/null 2>&1
started=$(date +%s%N)
XDG_RUNTIME_DIR="$own_pulse" timeout -k 2 20 "$bin/orlune-course" \
    --database "$work/long/lessons.wrd" --voice-dir "$work/long/voices" play 1 1 0 >/dev/null 2>&1 &
player=$!
sleep 1.5
XDG_RUNTIME_DIR="$own_pulse" pulseaudio --kill
wait "$player"
rc=$?
took=$((($(date +%s%N) - started) / 1000000))
row 9 "sound server killed 1.5 s into an 8 s sentence" "exit $rc after $took ms" $((rc == 0 || rc >= 124 || took > 6000))
own_pulse=""

# 13: a 3 GB recording (a WAV header over a sparse file) neither hangs nor fills the memory
# of the command-line player; the windows refuse such a file before copying it (unit tests).
make_lesson "$work/huge" 0 .5
write_wav "$work/huge/voices/QVN101.dat" 44100 100
bytes=$((3 * 1024 * 1024 * 1024))
le $((36 + bytes)) 4 | dd of="$work/huge/voices/QVN101.dat" bs=1 seek=4 conv=notrunc 2>/dev/null
le "$bytes" 4 | dd of="$work/huge/voices/QVN101.dat" bs=1 seek=40 conv=notrunc 2>/dev/null
truncate -s $((44 + bytes)) "$work/huge/voices/QVN101.dat"
play "$work/huge" 0 30
row 13 "3 GB recording, orlune-course play" "exit $rc after $took ms" $((rc >= 124 || took > 20000))

run_study() { # temporary folder, seconds: runs the study program offscreen, then ends it
    (cd "$work/cwd" && TMPDIR="$1" QT_QPA_PLATFORM=offscreen timeout -k 2 "$2" "$bin/orlune" \
        >"$work/out" 2>&1)
    rc=$?
}
mkdir -p "$work/cwd"
user_folder="orlune-$(id -u)"

# 2: links planted in the per-user folder are never written through, and a per-user folder
# that was ever open to others is not used at all.
mkdir -p "$work/planted/$user_folder" "$work/victim"
chmod 700 "$work/planted/$user_folder"
for name in mcesound.wav sounenclff qvnxcl.wrd mswrd.wd Ksphonet.TTF; do
    echo "the learner's own $name" >"$work/victim/$name"
    ln -s "$work/victim/$name" "$work/planted/$user_folder/$name"
done
run_study "$work/planted" 3
changed=$(for f in "$work"/victim/*; do grep -q "the learner's own" "$f" || echo "$f"; done | wc -l)
row 2 "links named like our files in the user folder" "$changed of 5 link targets changed" "$changed"
mkdir -p "$work/open/$user_folder"
chmod 777 "$work/open/$user_folder"
run_study "$work/open" 3
inside=$(find "$work/open/$user_folder" -mindepth 1 | wc -l)
row 2 "user folder left at mode 0777" "$inside files made inside it" "$inside"

# 3: two copies side by side keep their own folders; a killed copy's folder goes at the next
# start, a live copy's stays.
mkdir -p "$work/two"
(cd "$work/cwd" && TMPDIR="$work/two" QT_QPA_PLATFORM=offscreen exec "$bin/orlune" >/dev/null 2>&1) &
first=$!
sleep 2
(cd "$work/cwd" && TMPDIR="$work/two" QT_QPA_PLATFORM=offscreen exec "$bin/orlune" >/dev/null 2>&1) &
second=$!
sleep 2
copies=$(find "$work/two/$user_folder" -mindepth 1 -maxdepth 1 -type d | wc -l)
kill -9 "$second"
wait "$second" 2>/dev/null
run_study "$work/two" 3
left=$(find "$work/two/$user_folder" -mindepth 1 -maxdepth 1 -type d | wc -l)
alive=$(find "$work/two/$user_folder" -name qvnxcl.wrd | wc -l)
kill "$first" 2>/dev/null
wait "$first" 2>/dev/null
# The third copy is ended by a signal too, so its folder stays beside the first's.
row 3 "two copies, the second killed, a third started" "$copies folders; after: $left, $alive with files" \
    $((copies != 2 || left != 2 || alive != 2))

# 4: a temporary folder that does not exist never sends files into the working folder.
run_study "$work/none" 3
stray=$(find "$work/cwd" -mindepth 1 | wc -l)
row 4 "TMPDIR does not exist" "$stray files in the working folder" "$stray"

# 6: a hundred short plays in a row all end cleanly.
make_lesson "$work/short" 0 .05
write_wav "$work/short/voices/QVN101.dat" 44100 4410
bad=0
codes=""
for _ in $(seq 100); do
    play "$work/short" 0 20
    if [ "$rc" != 0 ]; then
        bad=$((bad + 1))
        codes+=" $rc"
    fi
done
row 6 "100 consecutive short plays" "$bad ended non-zero${codes:+ (exit$codes)}" "$bad"

# 14: a learner's lesson that cannot be imported is refused with a message, and the lesson
# imported before it stays as it was. The first import's translations are GBK, as Chinese
# editors often save them.
lessons="$work/import"
mkdir -p "$lessons"
"$bin/orlune-course" show 1 1 | tail -n +2 | cut -f4 >"$lessons/text.txt"
"$bin/orlune-course" show 1 1 | tail -n +2 | cut -f5 | iconv -f UTF-8 -t GBK >"$lessons/gbk.txt"
import() { # recording, text[, more options]: imports book 1, Lesson 1 into the store, sets rc
    timeout -k 2 60 "$bin/orlune-course" import --replace --store "$lessons/store" --book 1 --lesson 1 \
        --audio "$1" --text "$2" "${@:3}" >"$work/out" 2>&1
    rc=$?
}
stored() { # what the store holds of the lesson, and its recording
    "$bin/orlune-course" show 1 1 --store "$lessons/store" 2>&1
    ls "$lessons/store/recordings"
}
import "$bin/语音库/QVN101.dat" "$lessons/text.txt" --translations "$lessons/gbk.txt"
stored >"$lessons/before"
read_back=$(grep -c $'\t早上好' "$lessons/before")
row 14 "GBK translations" "exit $rc, $read_back translations read back" $((rc != 0 || read_back == 0))

refused() { # input, then the import's arguments: a row when it is refused and nothing changed
    local input=$1 changed=1 told=silent
    shift
    import "$@"
    stored | cmp -s - "$lessons/before" && changed=0
    [ -s "$work/out" ] && told="a message"
    row 14 "$input" "exit $rc with $told, lesson $( ((changed)) && echo changed || echo kept)" \
        $((rc == 0 || rc >= 124 || changed))
}
write_wav "$lessons/silent.wav" 16000 $((16000 * 20)) /dev/zero
refused "recording with no speech" "$lessons/silent.wav" "$lessons/text.txt"
: >"$lessons/empty.txt"
refused "empty text" "$bin/语音库/QVN101.dat" "$lessons/empty.txt"
for _ in $(seq 40); do cat "$lessons/text.txt"; done >"$lessons/long.txt"
refused "text 40 times the recording's" "$bin/语音库/QVN101.dat" "$lessons/long.txt"
write_wav "$lessons/2h.wav" 44100 100
bytes=$((2 * 3600 * 44100 * 2))
le $((36 + bytes)) 4 | dd of="$lessons/2h.wav" bs=1 seek=4 conv=notrunc 2>/dev/null
le "$bytes" 4 | dd of="$lessons/2h.wav" bs=1 seek=40 conv=notrunc 2>/dev/null
truncate -s $((44 + bytes)) "$lessons/2h.wav"
refused "2-hour recording" "$lessons/2h.wav" "$lessons/text.txt"
{ printf 'ID3\x03\x00\x00\x00\x00\x00\x00'; head -c 200000 /dev/urandom; } >"$lessons/corrupt.mp3"
refused "corrupt MP3" "$lessons/corrupt.mp3" "$lessons/text.txt"
head -c 4096 /dev/urandom >"$lessons/binary.txt"
refused "binary text" "$bin/语音库/QVN101.dat" "$lessons/binary.txt"
head -n 3 "$lessons/gbk.txt" >"$lessons/short.txt"
refused "3 translations for 14 sentences" "$bin/语音库/QVN101.dat" "$lessons/text.txt" \
    --translations "$lessons/short.txt"
refused "missing recording" "$lessons/none.mp3" "$lessons/text.txt"
printf '[ti:Lesson 1]\n[ar:Teacher]\n' >"$lessons/tags.lrc"
refused "LRC with no times" "$bin/语音库/QVN101.dat" "$lessons/tags.lrc"
printf '[05:00.00]Good morning.\n[06:00.00]Goodbye.\n' >"$lessons/late.lrc"
refused "LRC, every time past the recording" "$bin/语音库/QVN101.dat" "$lessons/late.lrc"
printf '1\n00:00:01,000 --> 00:00:02,000\n\n2\n00:00:03,000 --> 00:00:04,000\n\n' >"$lessons/empty.srt"
refused "SRT of empty cues" "$bin/语音库/QVN101.dat" "$lessons/empty.srt"
printf 'Caf\xe9 \x82\xa0\x82\xa2 \xff\xfe\xfd\n' >"$lessons/unknown.txt"
refused "text in an unknown encoding" "$bin/语音库/QVN101.dat" "$lessons/unknown.txt"

# 24: texts that would cost memory and time out of all proportion are refused at once, under a
# 1 GB address-space limit: a 900 KB line without a sentence end, a 1 MiB text of sentences.
bounded() { # text: align it against a lesson recording with memory and time bounded
    (ulimit -v 1000000; timeout -k 2 20 "$bin/orlune-course" align \
        --audio "$bin/语音库/QVN101.dat" --text "$1" >"$work/out" 2>&1)
    rc=$?
}
head -c 921600 /dev/zero | tr '\0' 'a' | sed 's/aaaaa/word /g' >"$lessons/line.txt"
bounded "$lessons/line.txt"
row 24 "900 KB line without a sentence end" "exit $rc, $(grep -c '字符' "$work/out") reason" \
    $((rc != 1 || $(grep -c '字符' "$work/out") == 0))
for _ in $(seq 16000); do echo "This line belongs to a far longer text than the one recorded."; done \
    | head -c 1048576 >"$lessons/mib.txt"
bounded "$lessons/mib.txt"
row 24 "1 MiB text against a 28 s recording" "exit $rc, $(grep -c '录音' "$work/out") reason" \
    $((rc != 1 || $(grep -c '录音' "$work/out") == 0))

# 24: the reference voice is written to the temporary folder; where it cannot be (a folder that
# does not exist, or one eSpeak NG would look for in lower case), the lesson still aligns.
mkdir -p "$work/Upper"
for tmp in "$work/no such folder" "$work/Upper"; do
    TMPDIR="$tmp" timeout -k 2 60 "$bin/orlune-course" align --audio "$bin/语音库/QVN101.dat" \
        --text "$lessons/text.txt" >"$work/out" 2>&1
    rc=$?
    row 24 "temporary folder ${tmp##*/}" "exit $rc, $(grep -c $'\t' "$work/out") of $(wc -l <"$lessons/text.txt") lines" \
        $((rc != 0 || $(grep -c $'\t' "$work/out") != $(wc -l <"$lessons/text.txt")))
done

# 21: a folder of a book's lessons: whatever cannot be paired is listed and skipped, whatever
# cannot be imported is refused with its reason, and nothing the store holds is lost.
book="$work/book"
folder() { # the folder's files, as "name=source" (source a file, or "-" for an empty file)
    rm -rf "$book"
    mkdir -p "$book"
    for f in "$@"; do
        if [ "${f#*=}" = "-" ]; then : >"$book/${f%%=*}"; else cp "${f#*=}" "$book/${f%%=*}"; fi
    done
}
bulk() { # more options: imports the folder into the store of row 14, sets rc
    timeout -k 2 120 "$bin/orlune-course" import-folder --book 1 --folder "$book" \
        --store "$lessons/store" "$@" >"$work/out" 2>&1
    rc=$?
}
rec="$bin/语音库/QVN101.dat"
folder "readme.txt=-" "cover.jpg=-"
bulk
row 21 "folder with no pairs" "exit $rc" $((rc != 1))
folder "5.mp3=$rec" "6.mp3=$rec" "6.txt=$lessons/text.txt"
bulk
row 21 "a recording with no text" "exit $rc, listed: $(grep -c '5.mp3' "$work/out"), 6 stored: $(grep -cE $'1\t6\t(stored|unsure)' "$work/out")" \
    $((rc != 0 || $(grep -c '5.mp3' "$work/out") == 0 || $(grep -cE $'1\t6\t(stored|unsure)' "$work/out") != 1))
folder "7.mp3=$rec" "Lesson 7.mp3=$rec" "7.txt=$lessons/text.txt"
bulk
row 21 "two recordings for one lesson" "exit $rc, $(grep -c '不止一个' "$work/out") reasons" \
    $((rc != 1 || $(grep -c '不止一个' "$work/out") != 2))
folder "8.wav=$lessons/2h.wav" "8.txt=$lessons/text.txt" "9.mp3=$rec" "9.txt=$lessons/binary.txt"
bulk
row 21 "2-hour recording, binary text" "exit $rc, $(grep -c refused "$work/out") refused" \
    $((rc != 1 || $(grep -c refused "$work/out") != 2))
"$bin/orlune-course" show 1 1 --store "$lessons/store" >"$work/kept" 2>&1
folder "Lesson 1.mp3=$rec" "Lesson 1.txt=$lessons/long.txt"
bulk
"$bin/orlune-course" show 1 1 --store "$lessons/store" 2>&1 | cmp -s - "$work/kept"
kept=$?
row 21 "an imported lesson, without --replace" "exit $rc, lesson $( ((kept)) && echo changed || echo kept)" \
    $((rc != 1 || kept != 0))
# Two copies of the program import the same folder into one store at once: each lesson is
# stored by one of them, the other leaves it and says why; nothing is half stored.
folder "35.mp3=$rec" "35.txt=$lessons/text.txt" "36.mp3=$rec" "36.txt=$lessons/text.txt"
copies=()
for copy in a b; do
    timeout -k 2 120 "$bin/orlune-course" import-folder --book 1 --folder "$book" \
        --store "$lessons/twice" >"$work/$copy.out" 2>&1 &
    copies+=($!)
done
wait "${copies[@]}"
both=$(cat "$work/a.out" "$work/b.out")
stored=$(grep -cE $'\t(stored|unsure [0-9]+)\t' <<<"$both")
left=$(grep -c '已有先前导入的课文' <<<"$both")
whole=0
for n in 35 36; do
    [ "$("$bin/orlune-course" show 1 $n --store "$lessons/twice" 2>/dev/null | wc -l)" -gt 1 ] && whole=$((whole + 1))
done
row 21 "two copies importing one folder at once" "$stored stored, $left left, $whole whole" \
    $((stored != 2 || left != 2 || whole != 2))

# 5: a named pipe is no recording: reading it would wait for a writer forever.
mkfifo "$lessons/pipe.mp3"
stored >"$work/before-pipe"
for command in align import; do
    started=$(date +%s%N)
    if [ "$command" = align ]; then
        timeout -k 2 20 "$bin/orlune-course" align --audio "$lessons/pipe.mp3" \
            --text "$lessons/text.txt" >"$work/out" 2>&1
    else
        timeout -k 2 20 "$bin/orlune-course" import --replace --store "$lessons/store" --book 1 \
            --lesson 1 --audio "$lessons/pipe.mp3" --text "$lessons/text.txt" >"$work/out" 2>&1
    fi
    rc=$?
    took=$((($(date +%s%N) - started) / 1000000))
    changed=1
    stored | cmp -s - "$work/before-pipe" && changed=0
    told=$(grep -c '不是普通文件' "$work/out")
    row 5 "named pipe as the recording, $command" "exit $rc after $took ms, told $told time(s)" \
        $((rc == 0 || rc >= 124 || took > 5000 || told == 0 || changed))
done

# 15: a store in a bad way never costs the learner a recording. Lessons 1 and 2 are imported
# and their recordings aged past the hour after which the store clears its own leftovers.
store="$work/store15"
oc() { timeout -k 2 60 "$bin/orlune-course" "$@" --store "$store" >"$work/out" 2>&1; rc=$?; }
fresh_store() {
    rm -rf "$store"
    mkdir -p "$store/recordings"
    # The learner's own files, in a recordings/ folder that was theirs before it was a store.
    cp "$bin/语音库/QVN101.dat" "$store/recordings/Lesson 1.mp3"
    for n in 1 2; do
        oc import --replace --book 1 --lesson "$n" --audio "$bin/语音库/QVN101.dat" --text "$lessons/text.txt"
    done
    touch -d '2 hours ago' "$store/recordings/"*
    ls "$store/recordings" | sort >"$work/recordings-before"
}
recordings_kept() { # how many of the recordings there before are gone
    ls "$store/recordings" | sort | comm -23 "$work/recordings-before" - | wc -l
}
fresh_store
{ echo "BEGIN EXCLUSIVE;"; sleep 30; } | sqlite3 "$store/lessons.sqlite" &
holder=$!
sleep 0.5
oc import --replace --book 1 --lesson 3 --audio "$bin/语音库/QVN101.dat" --text "$lessons/text.txt"
import_rc=$rc
oc show 1 1
show_rc=$rc
told=$(grep -c '占用' "$work/out")
pkill -P "$holder" sqlite3 2>/dev/null; kill "$holder" 2>/dev/null; wait "$holder" 2>/dev/null
gone=$(recordings_kept)
row 15 "store held by another program, import" "import exit $import_rc, show exit $show_rc, $gone recordings gone" \
    $((import_rc == 0 || show_rc == 0 || told == 0 || gone != 0))
fresh_store
head -c 100 /dev/urandom | dd of="$store/lessons.sqlite" conv=notrunc 2>/dev/null
oc import --replace --book 1 --lesson 3 --audio "$bin/语音库/QVN101.dat" --text "$lessons/text.txt"
import_rc=$rc
oc list
gone=$(recordings_kept)
row 15 "damaged store, import and list" "import exit $import_rc, list exit $rc, $gone recordings gone" \
    $((import_rc == 0 || rc == 0 || gone != 0))
fresh_store
oc import --replace --book 1 --lesson 3 --audio "$bin/语音库/QVN101.dat" --text "$lessons/text.txt"
gone=$(recordings_kept)
row 15 "the learner's own files in recordings/" "import exit $rc, $gone of them gone" $((rc != 0 || gone != 0))
# An import killed in the middle of its commit: the journal SQLite synced first stays behind.
fresh_store
(sqlite3 "$store/lessons.sqlite" >/dev/null 2>&1 <<'SQL'
PRAGMA cache_size = 1;
BEGIN;
INSERT INTO 句库 WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 3000)
    SELECT printf('%.1000c', 'a'), '', '0', '', 'Lesson 9', '1' FROM n;
.shell kill -9 $PPID
SQL
) 2>/dev/null
hot=$([ -s "$store/lessons.sqlite-journal" ] && echo 1 || echo 0)
oc list
# The imported lessons, by their recordings: the carried course has these two lessons too.
listed=$(grep -cE $'^1\t[12]\t.*\t1-[12]-' "$work/out")
oc import --replace --book 1 --lesson 3 --audio "$bin/语音库/QVN101.dat" --text "$lessons/text.txt"
gone=$(recordings_kept)
row 15 "import killed mid-commit (hot journal)" "journal left: $hot; $listed of 2 lessons listed, $gone recordings gone" \
    $((hot != 1 || listed != 2 || rc != 0 || gone != 0))

exit "$failed"
