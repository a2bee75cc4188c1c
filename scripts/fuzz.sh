#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one in turn, one at a
# time, from a working copy of the project's seed corpus.
#
#   scripts/fuzz.sh [RUNS | SECONDSs] [TARGET...]
#
#   RUNS      executions per target (default 10000000), shared out among the
#             workers; a target also stops after VALO_FUZZ_MAX_SECONDS seconds
#             (default 1800) if it is slower
#   SECONDSs  a fixed time per target instead, e.g. 600s
#   TARGET    e.g. fuzz_merge; default all
#
# Each target runs as VALO_FUZZ_JOBS workers at once (default: one per core),
# sharing one corpus, so a target has the whole machine; its executions are
# the workers' summed.
#
# Environment: VALO_FUZZ_BUILD (build folder, default build-fuzz in the
# repository), VALO_FUZZ_MAX_SECONDS, VALO_FUZZ_JOBS. Seeds come from fuzz/corpus/<name>/; the
# corpus grows in <build>/fuzz-corpus/<name>/, crashes land in
# <build>/fuzz-artifacts/<name>/. Exits non-zero when any target finds something.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${VALO_FUZZ_BUILD:-$root/build-fuzz}
max_seconds=${VALO_FUZZ_MAX_SECONDS:-1800}
jobs=${VALO_FUZZ_JOBS:-$(nproc)}

limit=${1:-10000000}
[ $# -gt 0 ] && shift
if [[ $limit =~ ^[0-9]+s$ ]]; then
  budget=(-max_total_time="${limit%s}")
  what="${limit%s} seconds"
elif [[ $limit =~ ^[0-9]+$ ]]; then
  budget=(-runs="$(((limit + jobs - 1) / jobs))" -max_total_time="$max_seconds")
  what="$limit runs in $jobs workers (at most $max_seconds seconds)"
else
  echo "usage: $0 [RUNS | SECONDSs] [TARGET...]" >&2
  exit 2
fi

all=(fuzz_extractor fuzz_next_page fuzz_query_encoding fuzz_progress_file fuzz_keyword_file fuzz_merge
  fuzz_int_lines fuzz_blocked_page fuzz_engine_file fuzz_wide_reading fuzz_proxy_list fuzz_mainland_verdict)
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all[@]}")

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVALO_FUZZ=ON -DVALO_BUILD_GUI=OFF -DVALO_BUILD_TESTS=OFF -DVALO_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target "${targets[@]}" -- -j2

# Lines longer than the 4096-byte cut only arise from longer inputs.
max_len_for() {
  case $1 in
    fuzz_int_lines | fuzz_next_page) echo 9000 ;;
    fuzz_mainland_verdict) echo 17 ;;
    *) echo 4096 ;;
  esac
}

summary=()
status=0
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  corpus=$build/fuzz-corpus/$name
  artifacts=$build/fuzz-artifacts/$name
  mkdir -p "$corpus" "$artifacts"
  cp -n "$root/fuzz/corpus/$name/"* "$corpus/" 2>/dev/null || true
  echo "== $t: $what"
  started=$(date +%s)
  pids=()
  for w in $(seq "$jobs"); do
    "$build/fuzz/$t" "${budget[@]}" -max_len="$(max_len_for "$t")" -print_final_stats=1 \
      -artifact_prefix="$artifacts/" "$corpus" >"$build/fuzz-$name-$w.log" 2>&1 &
    pids+=($!)
  done
  rc=0
  for pid in "${pids[@]}"; do
    wait "$pid" || rc=$?
  done
  elapsed=$(($(date +%s) - started))
  execs=0
  for w in $(seq "$jobs"); do
    n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/fuzz-$name-$w.log" | tail -1)
    execs=$((execs + ${n:-0}))
  done
  if [ $rc -ne 0 ]; then
    status=1
    echo "   FOUND SOMETHING (exit $rc); see $build/fuzz-$name-*.log and $artifacts"
    grep -h -m5 -E 'ERROR|property failed|runtime error|Test unit written' "$build/fuzz-$name"-*.log || true
  fi
  line=$(printf '%-22s %12s executions %6ss  exit %s' "$t" "${execs:-?}" "$elapsed" "$rc")
  echo "   $line"
  summary+=("$line")
done

echo "== summary ($what per target)"
printf '%s\n' "${summary[@]}"
exit $status
