#!/usr/bin/env bash
# Runs every fuzz target (or the ones named) for a long time, in turns, on its growing corpus.
# Not part of the test command.
#
#   fuzz/run_long.sh HOURS [target ...]
#
# The hours are shared out evenly between the targets, in rounds of at most 20 minutes per target,
# so that an interrupted run has still visited every target. The corpus of each target is
# build/fuzz/corpus/<target>, shared with fuzz/run_short.sh. Every target's executions are added to
# build/fuzz/executions.tsv (target, executions, seconds, date), and the totals are printed at the
# end. An input that crashes, hangs or exhausts memory is kept in fuzz/regressions/<target>/ and the
# target starts again; the script fails at the end when there was one.
#
# Afterwards the corpus worth keeping can be minimised into the tree with
#   fuzz/run_long.sh --keep-corpus [target ...]
# which merges build/fuzz/corpus/<target> into fuzz/corpus/<target> (only inputs that add coverage,
# at most 4 KiB each), where fuzz/run_short.sh starts from it.
#
# FUZZ_FLAGS adds libFuzzer flags to every run, e.g. FUZZ_FLAGS=-detect_leaks=0 (see fuzz/README.md).
# Two runs of the same target may go side by side: they share the corpus, each keeps its own log.
set -euo pipefail
cd "$(dirname "$0")/.."

all=(bmp jpeg gif icon metafile png webp tiff heif exif)
source fuzz/build_targets.sh
build=$fuzz_build
ledger="$build/executions.tsv"

if [ "${1:-}" = "--keep-corpus" ]; then
  shift
  targets=("$@")
  [ "${#targets[@]}" -gt 0 ] || targets=("${all[@]}")
  build_fuzz_targets "${targets[@]}"
  for t in "${targets[@]}"; do
    mkdir -p "fuzz/corpus/$t"
    before=$(find "fuzz/corpus/$t" -type f | wc -l)
    "$build/fuzz/fuzz_$t" -merge=1 -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      "fuzz/corpus/$t" "$build/corpus/$t" >"$build/merge_$t.log" 2>&1
    after=$(find "fuzz/corpus/$t" -type f | wc -l)
    echo "fuzz_$t: kept corpus $before -> $after files"
  done
  exit 0
fi

hours="${1:?usage: fuzz/run_long.sh HOURS [target ...]}"
shift
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=("${all[@]}")
build_fuzz_targets "${targets[@]}"

per_target=$(awk -v h="$hours" -v n="${#targets[@]}" 'BEGIN { printf "%d", h * 3600 / n }')
[ "$per_target" -ge 1 ] || per_target=1
round=$((per_target < 1200 ? per_target : 1200))
touch "$ledger"

declare -A left
for t in "${targets[@]}"; do left[$t]=$per_target; done
found=()
while :; do
  ran=0
  for t in "${targets[@]}"; do
    s=${left[$t]}
    [ "$s" -gt 0 ] || continue
    [ "$s" -le "$round" ] || s=$round
    left[$t]=$((left[$t] - s))
    ran=1
    corpus="$build/corpus/$t"
    artifacts="$build/artifacts/$t"
    mkdir -p "$corpus" "$artifacts"
    stored=()
    for d in "fuzz/corpus/$t" "fuzz/seeds/$t"; do [ -d "$d" ] && stored+=("$d"); done
    log="$build/long_$t.$$.log"
    : >"$log"
    # A finding stops libFuzzer: the input is kept and the target starts again on its corpus until
    # its time is used. (Fork mode would go on by itself, but its merges cost most of the time.)
    execs=0
    end=$((SECONDS + s))
    while :; do
      remaining=$((end - SECONDS))
      [ "$remaining" -ge 1 ] || break  # (0 would mean no limit)
      "$build/fuzz/fuzz_$t" -max_total_time="$remaining" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" ${FUZZ_FLAGS:-} "$corpus" "$build/seeds/$t" \
        "${stored[@]}" >"$log.part" 2>&1 || true
      cat "$log.part" >>"$log"
      n=$(awk '/^stat::number_of_executed_units:/ { n = $2 } END { print n + 0 }' "$log.part")
      execs=$((execs + n))
      [ "$n" -gt 0 ] || break  # the target does not start: no point in trying again at once
    done
    rm -f "$log.part"
    printf '%s\t%s\t%s\t%s\n' "$t" "$execs" "$s" "$(date -u +%FT%TZ)" >>"$ledger"
    echo "fuzz_$t: $execs executions in $s s"
    if compgen -G "$artifacts/*" >/dev/null; then
      mkdir -p "fuzz/regressions/$t"
      cp "$artifacts"/* "fuzz/regressions/$t/"
      rm -f "$artifacts"/*
      echo "fuzz_$t found inputs that fail; kept in fuzz/regressions/$t (log: $log)"
      [[ " ${found[*]} " == *" $t "* ]] || found+=("$t")
    fi
  done
  [ "$ran" -eq 1 ] || break
done

echo "executions so far (all long runs, from $ledger):"
awk -F'\t' '{ n[$1] += $2; s[$1] += $3 } END { for (t in n) printf "  fuzz_%-9s %12d executions %8d s\n", t, n[t], s[t] }' \
  "$ledger" | sort
if [ "${#found[@]}" -gt 0 ]; then
  echo "fuzzing found problems in: ${found[*]}" >&2
  exit 1
fi
