#!/usr/bin/env bash
# Times `vocalith convert` against sox and ffmpeg on the same jobs, in one run.
#
#   bash bench/peers/run.sh              # 30 minutes of speech, hyperfine, same-run ratios
#   bash bench/peers/run.sh --callgrind  # instructions per sample of ours under valgrind
#
# Options: --runs N (hyperfine runs per command, default 10), --minutes M (corpus length,
# default 30), --build DIR (build directory, default ./build; configured and built when the
# command is missing), --work DIR (corpus and outputs, default /tmp/vocalith-peers).
#
# The machines are shared: absolute figures move from run to run, so only the ratios between
# commands timed in the same run are reported as comparisons.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
mode=time
runs=10
minutes=30
build="$root/build"
work=/tmp/vocalith-peers
ladspa=/usr/lib/ladspa

while [ $# -gt 0 ]; do
    case "$1" in
        --callgrind) mode=callgrind ;;
        --runs) runs=$2; shift ;;
        --minutes) minutes=$2; shift ;;
        --build) build=$2; shift ;;
        --work) work=$2; shift ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "run.sh: $tool is not installed" >&2; exit 1; }
    done
}
need sox ffmpeg espeak-ng python3
[ "$mode" = time ] && need hyperfine
[ "$mode" = callgrind ] && need valgrind
for lib in amp.so am_pitchshift_1433.so; do
    [ -f "$ladspa/$lib" ] || { echo "run.sh: $ladspa/$lib is missing" >&2; exit 1; }
done

vocalith="$build/tools/vocalith"
packets="$build/bench/vocalith_packets"
[ -f "$build/CMakeCache.txt" ] || cmake -S "$root" -B "$build" >/dev/null
targets=(vocalith)
[ "$mode" = callgrind ] && targets+=(vocalith_packets)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null
mkdir -p "$work"

# ---- corpus ---------------------------------------------------------------------------
# A few minutes of synthetic speech from several voices, repeated to the wanted length,
# then coded once per input format of the jobs.
speech="$work/speech.wav"
if [ ! -f "$speech" ]; then
    text="The quick brown fox jumps over the lazy dog while the operator reads the account \
number back to the caller. Please hold the line, your call is important to us, and one of \
our agents will answer shortly. Press one for sales, two for support, or stay on the line."
    voices=(en-us en en+f3 en-us+m3 de fr es it nl en+f5)
    parts=()
    for i in "${!voices[@]}"; do
        espeak-ng -v "${voices[$i]}" -s 150 -w "$work/voice$i.wav" "$text"
        parts+=("$work/voice$i.wav")
    done
    sox "${parts[@]}" -r 8000 -c 1 -b 16 "$speech" gain -n -3
    rm -f "${parts[@]}"
fi

make_corpus() {   # make_corpus SECONDS STEM
    local seconds=$1 stem=$2
    if [ ! -f "$stem.ul" ] || [ ! -f "$stem.stamp" ] || [ "$(cat "$stem.stamp")" != "$seconds" ]; then
        local len count
        len=$(soxi -D "$speech")
        count=$(python3 -c "import math; print(max(0, math.ceil($seconds / $len) - 1))")
        sox "$speech" -b 16 "$stem.wav" repeat "$count" trim 0 "$seconds"
        sox "$stem.wav" -t ul "$stem.ul"
        sox "$stem.wav" -t gsm "$stem.gsm"
        echo "$seconds" >"$stem.stamp"
    fi
}

# ---- presets and jobs ---------------------------------------------------------------------
preset() {   # preset NAME [ID VALUE...]
    local name=$1 id=${2:-}
    {
        echo '<?xml version="1.0"?>'
        echo '<jackrack><channels>1</channels><samplerate>8000</samplerate>'
        if [ -n "$id" ]; then
            shift 2
            echo "<plugin><id>$id</id><enabled>true</enabled><wet_dry_enabled>false</wet_dry_enabled>"
            for value in "$@"; do echo "<controlrow><value>$value</value></controlrow>"; done
            echo '</plugin>'
        fi
        echo '</jackrack>'
    } >"$work/$name.xml"
}
preset none
preset amp 1048 0.5
preset pitch 1433 1.5 3

amp_sox=(ladspa "$ladspa/amp.so" amp_mono 0.5)
amp_ff="ladspa=file=$ladspa/amp.so:plugin=amp_mono:controls=c0=0.5"
# sox also wants a value for the shifter's latency output.
pitch_sox=(ladspa "$ladspa/am_pitchshift_1433.so" amPitchshift 1.5 3 0)
pitch_ff="ladspa=file=$ladspa/am_pitchshift_1433.so:plugin=amPitchshift:controls=c0=1.5|c1=3"

jobs=(ulaw-copy ulaw-amp gsm-amp ulaw-pitch)

# sox and ffmpeg are handed the plugin's library file; ours runs twice, once with the whole
# installed directory on its search path (start-up opens every library there) and once with
# a directory that links only the job's library, the same information the peers get.
for name in none amp pitch; do
    mkdir -p "$work/ladspa-$name"
done
ln -sf "$ladspa/amp.so" "$work/ladspa-amp/amp.so"
ln -sf "$ladspa/am_pitchshift_1433.so" "$work/ladspa-pitch/am_pitchshift_1433.so"

# job_commands JOB STEM: sets ours, ours_1lib, sox_cmd, ff_cmd (arrays), ext and job_input.
job_commands() {
    local job=$1 stem=$2 in codec sox_type ff_fmt ff_codec effect_preset
    local -a sox_fx=()
    local ff_af=""
    case "$job" in
        ulaw-copy) codec=ulaw; effect_preset=none ;;
        ulaw-amp) codec=ulaw; effect_preset=amp; sox_fx=("${amp_sox[@]}"); ff_af=$amp_ff ;;
        gsm-amp) codec=gsm; effect_preset=amp; sox_fx=("${amp_sox[@]}"); ff_af=$amp_ff ;;
        ulaw-pitch) codec=ulaw; effect_preset=pitch; sox_fx=("${pitch_sox[@]}"); ff_af=$pitch_ff ;;
    esac
    if [ "$codec" = ulaw ]; then
        in="$stem.ul"; sox_type=ul; ff_fmt=mulaw; ff_codec=pcm_mulaw; ext=ul
    else
        in="$stem.gsm"; sox_type=gsm; ff_fmt=gsm; ff_codec=libgsm; ext=gsm
    fi
    ours=("$vocalith" convert -p "$work/$effect_preset.xml" --ladspa-path "$ladspa"
          --in-codec "$codec" --out-codec "$codec" "$in" "$work/out-$job-vocalith.$ext")
    ours_1lib=("$vocalith" convert -p "$work/$effect_preset.xml" --ladspa-path "$work/ladspa-$effect_preset"
               --in-codec "$codec" --out-codec "$codec" "$in" "$work/out-$job-vocalith-1lib.$ext")
    sox_cmd=(sox -D -t "$sox_type" -r 8000 -c 1 "$in" -t "$sox_type" "$work/out-$job-sox.$ext"
             "${sox_fx[@]}")
    ff_cmd=(ffmpeg -nostdin -hide_banner -loglevel error -y -f "$ff_fmt" -ar 8000 -ac 1 -i "$in")
    [ -n "$ff_af" ] && ff_cmd+=(-af "$ff_af")
    ff_cmd+=(-c:a "$ff_codec" -f "$ff_fmt" "$work/out-$job-ffmpeg.$ext")
    job_input=$in
}

quote() { printf '%q ' "$@"; }

if [ "$mode" = time ]; then
    seconds=$((minutes * 60))
    make_corpus "$seconds" "$work/corpus"
    echo "corpus: $minutes min of 8000 Hz speech ($((seconds * 8000)) samples) in $work"
    echo "load before: $(uptime)"
    for job in "${jobs[@]}"; do
        job_commands "$job" "$work/corpus"
        # Each command once outside the timing, so a broken one stops the run here.
        "${ours[@]}"; "${ours_1lib[@]}"; "${sox_cmd[@]}"; "${ff_cmd[@]}"
        # One hyperfine call per round, each timing every command once: the commands take
        # turns, so a stretch of load from other processes falls on all of them alike.
        rm -f "$work/$job".*.json
        for round in $(seq "$runs"); do
            hyperfine -N --style none --runs 1 --export-json "$work/$job.$round.json" \
                -n vocalith "$(quote "${ours[@]}")" \
                -n vocalith-1lib "$(quote "${ours_1lib[@]}")" \
                -n sox "$(quote "${sox_cmd[@]}")" \
                -n ffmpeg "$(quote "${ff_cmd[@]}")" >/dev/null
        done
    done
    echo "load after: $(uptime)"
    python3 "$here/report.py" time --work "$work" --samples $((seconds * 8000)) "${jobs[@]}"
else
    # Two corpus lengths: the difference removes start-up (plugin scan, preset) from the count.
    short=10
    long=70
    make_corpus "$short" "$work/short"
    make_corpus "$long" "$work/long"
    for job in "${jobs[@]}"; do
        for stem in short long; do
            job_commands "$job" "$work/$stem"
            valgrind --tool=callgrind --callgrind-out-file="$work/callgrind-$job-$stem.out" \
                "${ours[@]}" 2>"$work/callgrind-$job-$stem.log" ||
                { cat "$work/callgrind-$job-$stem.log" >&2; exit 1; }
        done
    done
    python3 "$here/report.py" callgrind --work "$work" --samples $(((long - short) * 8000)) \
        --program "$vocalith" "${jobs[@]}"

    # In process: 20 ms packets through the C interface and the engine, and the floor.
    # 400 packets are subtracted from 5200: 768000 samples, a whole number of 256-blocks.
    cases=(convert-none convert-amp convert-chain3 convert-pitch convert-tappitch engine-amp floor-amp)
    for case in "${cases[@]}"; do
        kind=${case%%-*}
        for n in 400:short 5200:long; do
            args=("$kind" "${case#*-}" "${n%%:*}")
            [ "$kind" = floor ] && args=(floor "${n%%:*}")
            valgrind --tool=callgrind --callgrind-out-file="$work/callgrind-$case-${n#*:}.out" \
                "$packets" "${args[@]}" >/dev/null 2>"$work/callgrind-$case-${n#*:}.log" ||
                { cat "$work/callgrind-$case-${n#*:}.log" >&2; exit 1; }
        done
    done
    echo
    python3 "$here/report.py" callgrind --work "$work" --samples $((4800 * 160)) \
        --program "$packets" "${cases[@]}"
    "$packets" memory
fi
