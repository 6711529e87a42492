#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer, libFuzzer) in
# build/fuzz and runs each for a while, seeded from the files the format tests make.
#
#   fuzz/run_short.sh [seconds per target, default 20] [target ...]
#
# The corpus each target grows is kept in build/fuzz/corpus/<target> and reused by the next run.
# An input that crashes, hangs or exhausts memory is copied to fuzz/regressions/<target>/, where
# the format tests replay it through the normal decoders; the script then fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(bmp jpeg gif icon metafile png webp tiff heif exif)

source fuzz/build_targets.sh
build=$fuzz_build
build_fuzz_targets "${targets[@]}"
failed=()
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  artifacts="$build/artifacts/$t"
  mkdir -p "$corpus" "$artifacts"
  rm -f "$artifacts"/*
  echo "fuzz_$t: ${seconds} s"
  # Seeds made by other programs (cwebp, tiffcp, heif-enc, exiftool) are kept in fuzz/seeds/, the
  # minimised corpus of the long runs in fuzz/corpus/.
  stored=()
  for d in "fuzz/corpus/$t" "fuzz/seeds/$t"; do [ -d "$d" ] && stored+=("$d"); done
  if ! "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$build/seeds/$t" "${stored[@]}" \
      >"$build/fuzz_$t.log" 2>&1; then
    failed+=("$t")
  fi
  grep -E "^(stat::number_of_executed_units|Done [0-9]+ runs)" "$build/fuzz_$t.log" || true
  if compgen -G "$artifacts/*" >/dev/null; then
    mkdir -p "fuzz/regressions/$t"
    cp "$artifacts"/* "fuzz/regressions/$t/"
    echo "fuzz_$t found inputs that fail; kept in fuzz/regressions/$t (log: $build/fuzz_$t.log)"
    [[ " ${failed[*]} " == *" $t "* ]] || failed+=("$t")
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "fuzzing found problems in: ${failed[*]}" >&2
  exit 1
fi
echo "fuzzing: ${#targets[@]} targets ran ${seconds} s each without a finding"
