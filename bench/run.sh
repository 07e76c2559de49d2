#!/usr/bin/env bash
# Times pairtone against the cost of moving the same bytes (cat) and against
# the joiners people use today (sox, ffmpeg's concat demuxer with -c copy).
#
#   bench/run.sh [--size MIB] [--pairs N] [--dir DIR] [--build DIR] [--keep]
#
# Each comparison runs pairtone and one peer alternately (A B A B ...) after one
# warm-up run of each; every run writes to its own output path, removed and
# synced away before the run, so no tool pays for another's writeback.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
size_mib=512
pairs=5
small_mib=64
work=""
build="$root/build-bench"
keep=0

usage() {
  cat <<EOF
usage: bench/run.sh [--size MIB] [--pairs N] [--dir DIR] [--build DIR] [--keep]
  --size MIB   data bytes of each of the two inputs, in MiB (default 512, at most 2047)
  --pairs N    timed A/B pairs per comparison after one warm-up pair (default 5)
  --dir DIR    where inputs and outputs go (default BUILD/work); it needs
               about 6 x SIZE + 1 GiB free
  --build DIR  CMake build directory, configured as Release (default build-bench)
  --keep       keep the inputs and outputs afterwards
PAIRTONE_BIN=FILE times that pairtone binary instead of the one built;
BENCH_TRACE=1 prints every run.
EOF
}

while [ $# -gt 0 ]; do
  case $1 in
    --size) size_mib=${2:?}; shift 2 ;;
    --pairs) pairs=${2:?}; shift 2 ;;
    --dir) work=${2:?}; shift 2 ;;
    --build) build=${2:?}; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
if ! [[ $size_mib =~ ^[0-9]+$ ]] || [ "$size_mib" -lt 1 ] || [ "$size_mib" -gt 2047 ]; then
  echo "bench: --size takes 1 to 2047 MiB (the joined data must fit a WAVE header)" >&2
  exit 2
fi
if ! [[ $pairs =~ ^[0-9]+$ ]] || [ "$pairs" -lt 1 ]; then
  echo "bench: --pairs takes a whole number of at least 1" >&2
  exit 2
fi
work=${work:-$build/work}

die() {
  echo "bench: $*" >&2
  exit 1
}

# ---- tools --------------------------------------------------------------

[ -x /usr/bin/time ] || die "/usr/bin/time is missing (Debian: apt-get install time)"
command -v cmake >/dev/null || die "cmake is missing (Debian: apt-get install cmake g++)"
peers=(cat)
for tool in sox ffmpeg; do
  if command -v "$tool" >/dev/null; then
    peers+=("$tool")
  else
    echo "bench: $tool not found, its comparison is skipped (Debian: apt-get install $tool)"
  fi
done

# A build directory made here has no tests; one that exists is only built,
# and must be a Release build (the project's default when no type is given).
echo "building pairtone and wavgen (Release) in $build"
mkdir -p "$build"
if [ -f "$build/CMakeCache.txt" ]; then
  build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
  [ "$build_type" = Release ] || [ -z "$build_type" ] || die "$build is a '$build_type' build; the benchmark needs Release"
fi
if ! { { [ -f "$build/CMakeCache.txt" ] ||
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF; } &&
  cmake --build "$build" -j2 --target pairtone wavgen; } >"$build/bench-build.log" 2>&1; then
  die "the build failed, see $build/bench-build.log"
fi
pairtone=${PAIRTONE_BIN:-$build/pairtone}
wavgen=$build/wavgen

# ---- inputs -------------------------------------------------------------

mkdir -p "$work"
work=$(cd "$work" && pwd)
rm -f "$work"/*.wav "$work"/list-*.txt
if [ "$keep" -eq 0 ]; then
  trap 'rm -f "$work"/*.wav "$work"/*.txt' EXIT
fi

# Two inputs, two joined outputs at a time, the small inputs and their outputs.
need_mib=$((6 * size_mib + 4 * small_mib + 512))
free_mib=$(($(df -Pk "$work" | awk 'NR == 2 { print $4 }') / 1024))
if [ "$free_mib" -lt "$need_mib" ]; then
  die "$work has $free_mib MiB free, the benchmark at --size $size_mib needs $need_mib MiB;" \
    "free some space, choose a smaller --size or another --dir"
fi

data_bytes=$((size_mib * 1024 * 1024))
small_bytes=$((small_mib * 1024 * 1024))
echo "making inputs: 2 x $size_mib MiB and 2 x $small_mib MiB, 16-bit stereo 44.1 kHz"
"$wavgen" "$work/a.wav" "$data_bytes" 440
"$wavgen" "$work/b.wav" "$data_bytes" 660
"$wavgen" "$work/small-a.wav" "$small_bytes" 440
"$wavgen" "$work/small-b.wav" "$small_bytes" 660
for set in "" small-; do
  printf "file '%s'\nfile '%s'\n" "$work/${set}a.wav" "$work/${set}b.wav" >"$work/list-${set}ab.txt"
done
sync

# ---- one run ------------------------------------------------------------

# tool_cmd TOOL SET OUT: fills `cmd` with TOOL's join of inputs SET into OUT
# ("null" means /dev/null) and `cmd_stdout` with where its standard output goes.
tool_cmd() {
  local tool=$1 a=$work/$2a.wav b=$work/$2b.wav out=$3
  local list=$work/list-$2ab.txt
  cmd_stdout=/dev/null
  case $tool:$out in
    pairtone:null) cmd=("$pairtone" "$a" "$b" /dev/null) ;;
    pairtone:*) cmd=("$pairtone" "$a" "$b" "$out") ;;
    cat:null) cmd=(cat "$a" "$b") ;;
    cat:*) cmd=(cat "$a" "$b") cmd_stdout=$out ;;
    sox:null) cmd=(sox "$a" "$b" -t wav /dev/null) ;;
    sox:*) cmd=(sox "$a" "$b" "$out") ;;
    ffmpeg:null) cmd=(ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c copy -f wav /dev/null) ;;
    ffmpeg:*) cmd=(ffmpeg -nostdin -v error -y -f concat -safe 0 -i "$list" -c copy "$out") ;;
  esac
}

# run_once TOOL SET OUT: runs one join; sets `wall` (seconds), `cpu` (user and
# system seconds, to 10 ms) and `rss` (peak resident KiB).
run_once() {
  tool_cmd "$@"
  [ "$3" = null ] || rm -f "$3"
  sync
  local start=$EPOCHREALTIME
  if ! /usr/bin/time -f '%M %U %S' -o "$work/rss.txt" "${cmd[@]}" >"$cmd_stdout" 2>"$work/err.txt"; then
    cat "$work/err.txt" >&2
    die "$1 failed: ${cmd[*]}"
  fi
  local end=$EPOCHREALTIME
  wall=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.4f", e - s }')
  read -r rss cpu < <(tail -n 1 "$work/rss.txt" | awk '{ printf "%s %.2f\n", $1, $2 + $3 }')
  [ -z "${BENCH_TRACE:-}" ] || echo "  $1 $3: wall $wall cpu $cpu rss $rss" >&2
}

# ---- statistics ---------------------------------------------------------

median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
minimum() { printf '%s\n' "$@" | sort -g | head -n 1; }
maximum() { printf '%s\n' "$@" | sort -g | tail -n 1; }
mib() { awk -v k="$1" 'BEGIN { printf "%.2f MiB", k / 1024 }'; }

# ---- sample checks ------------------------------------------------------

header=44 # wavgen and pairtone both write a 44-byte header
# The joined samples of pairtone's output, the reference for every peer.
reference() { tail -c +$((header + 1)) "$work/pairtone-out.wav"; }

peer_samples() {
  local out=$work/$1-out.wav
  case $1 in
    # cat keeps both headers: take the data behind each of them.
    cat) {
      head -c $((header + data_bytes)) "$out" | tail -c +$((header + 1))
      tail -c +$((2 * header + data_bytes + 1)) "$out"
    } ;;
    sox) sox "$out" -t raw - ;;
    ffmpeg) ffmpeg -nostdin -v error -i "$out" -f s16le - ;;
  esac
}

samples_check() {
  local peer=$1
  if cmp -s <(reference) <(peer_samples "$peer"); then
    samples_report+=("$peer: same samples")
  else
    samples_report+=("$peer: DIFFERENT samples")
    samples_failed=1
  fi
}

# ---- comparisons --------------------------------------------------------

declare -A large_rss
samples_report=()
samples_failed=0

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.4f", (b > 0) ? a / b : 0 }'; }

# compare PEER MODE: one warm-up pair, then `pairs` timed pairs; prints one row.
compare() {
  local peer=$1 mode=$2 pt_out peer_out
  if [ "$mode" = file ]; then
    pt_out=$work/pairtone-out.wav peer_out=$work/$peer-out.wav
  else
    pt_out=null peer_out=null
  fi
  run_once pairtone "" "$pt_out"
  run_once "$peer" "" "$peer_out"
  local pt_walls=() peer_walls=() ratios=() cpu_ratios=() pt_rss=() peer_rss=() pt_wall pt_cpu
  for ((i = 0; i < pairs; ++i)); do
    run_once pairtone "" "$pt_out"
    pt_wall=$wall pt_cpu=$cpu
    pt_walls+=("$wall") pt_rss+=("$rss")
    run_once "$peer" "" "$peer_out"
    peer_walls+=("$wall") peer_rss+=("$rss")
    ratios+=("$(ratio "$pt_wall" "$wall")")
    # CPU times come in 10 ms steps: a run too short to show any has no ratio.
    if [ "$cpu" != 0.00 ] && [ "$pt_cpu" != 0.00 ]; then
      cpu_ratios+=("$(ratio "$pt_cpu" "$cpu")")
    fi
  done
  local ratio_median cpu_median=-
  ratio_median=$(median "${ratios[@]}")
  [ ${#cpu_ratios[@]} -eq 0 ] || cpu_median=$(printf '%.3f' "$(median "${cpu_ratios[@]}")")
  printf '%-8s %8.3f s %8.3f s %7.3f (%.3f-%.3f) %6.2fx %9s %10s %10s\n' "$peer" \
    "$(median "${peer_walls[@]}")" "$(median "${pt_walls[@]}")" "$ratio_median" \
    "$(minimum "${ratios[@]}")" "$(maximum "${ratios[@]}")" "$(ratio 1 "$ratio_median")" \
    "$cpu_median" "$(mib "$(maximum "${peer_rss[@]}")")" "$(mib "$(maximum "${pt_rss[@]}")")"
  large_rss[$mode:$peer]=$(maximum "${peer_rss[@]}")
  large_rss[$mode:pairtone]=$(maximum "${large_rss[$mode:pairtone]:-0}" "${pt_rss[@]}")
  if [ "$mode" = file ]; then
    samples_check "$peer"
    rm -f "$peer_out"
  fi
}

table_head() {
  echo
  echo "$1"
  printf '%-8s %10s %10s %-21s %7s %9s %10s %10s\n' peer "peer wall" "pt wall" "pt/peer wall (min-max)" \
    speedup "pt/peer cpu" "peer RSS" "pt RSS"
}

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
echo
echo "machine: $(nproc) cores, ${cpu:-unknown CPU}, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
  "Linux $(uname -r), $(df -PT "$work" | awk 'NR == 2 { print $2 }') at $work"
echo "load average at the start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo "inputs: 2 x $size_mib MiB of 16-bit stereo data; $pairs timed pairs after one warm-up pair"
echo "pt = pairtone; walls are medians; pt/peer is the median of the per-pair ratios (min-max);"
echo "speedup = 1 / that median; cpu is user + system time, its pt/peer the median per-pair ratio;"
echo "RSS is the largest peak resident memory of the timed runs"

table_head "output to a file"
for peer in "${peers[@]}"; do compare "$peer" file; done
table_head "output to /dev/null"
for peer in "${peers[@]}"; do compare "$peer" null; done

echo
echo "joined samples against pairtone's:"
printf '  %s\n' "${samples_report[@]}"
if cmp -s <(reference) <(head -c $((header + data_bytes)) "$work/a.wav" | tail -c +$((header + 1))
  tail -c +$((header + 1)) "$work/b.wav"); then
  echo "  pairtone: its data is a.wav's data followed by b.wav's"
else
  echo "  pairtone: its data is NOT a.wav's data followed by b.wav's"
  samples_failed=1
fi
rm -f "$work/pairtone-out.wav"

# ---- memory at two sizes ------------------------------------------------

if [ "$size_mib" -ne "$small_mib" ]; then
  echo
  echo "peak resident memory by input size (the largest of 3 runs at $small_mib MiB, of the timed runs at $size_mib MiB)"
  printf '%-8s %12s %12s %12s %12s\n' "" "file" "" "/dev/null" ""
  printf '%-8s %12s %12s %12s %12s\n' tool "$small_mib MiB" "$size_mib MiB" "$small_mib MiB" "$size_mib MiB"
  for tool in pairtone "${peers[@]}"; do
    small_file=0 small_null=0
    for _ in 1 2 3; do
      run_once "$tool" small- "$work/small-$tool-out.wav"
      small_file=$(maximum "$small_file" "$rss")
      run_once "$tool" small- null
      small_null=$(maximum "$small_null" "$rss")
    done
    rm -f "$work/small-$tool-out.wav"
    printf '%-8s %12s %12s %12s %12s\n' "$tool" "$(mib "$small_file")" \
      "$(mib "${large_rss[file:$tool]}")" "$(mib "$small_null")" "$(mib "${large_rss[null:$tool]}")"
  done
fi

exit "$samples_failed"
