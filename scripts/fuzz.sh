#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang and runs each for a short
# time, starting from its checked-in seed corpus (fuzz/corpus/<target>/).
#
#   scripts/fuzz.sh                  every target, FUZZ_SECONDS each (default 30)
#   scripts/fuzz.sh fuzz_cspec       one target
#   FUZZ_SECONDS=600 scripts/fuzz.sh fuzz_xml_element
#
# New inputs libFuzzer finds go to <build>/corpus/<target>/, never into the
# checked-in seeds; an input that breaks a property or crashes is saved as
# <build>/artifacts/<target>-crash-... and the script exits non-zero. Rerun
# one with: <build>/bin/<target> <that file>.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-30}
jobs=${JOBS:-2}

launcher=()
if command -v ccache > /dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
# Warnings do not stop this build: the gcc build is the warning gate, and clang
# warns about libgit2's own initializer macros (missing field initializers).
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKORVANE_FUZZ=ON -DKORVANE_WERROR=OFF -DKORVANE_BUILD_TESTS=OFF -DKORVANE_BUILD_BENCH=OFF \
  "${launcher[@]}" > /dev/null
cmake --build "$build_dir" -j "$jobs" --target fuzzers

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for seeds in fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

# Internal-error records and files the targets write stay inside the build
# directory; leaks end a run like any other fault.
export TMPDIR="$PWD/$build_dir/tmp"
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$TMPDIR" "$build_dir/artifacts"
mkdir -p "$build_dir/logs"
for target in "${targets[@]}"; do
  work="$build_dir/corpus/$target"
  log="$build_dir/logs/$target.log"
  mkdir -p "$work"
  if ! "$build_dir/bin/$target" "$work" "fuzz/corpus/$target" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="$build_dir/artifacts/$target-" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: FAILED (input saved under $build_dir/artifacts/, log $log)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$target: ${seconds}s, ${runs:-?} inputs, no failure"
done
rm -rf "$TMPDIR"
echo "fuzzing: ${#targets[@]} targets, ${seconds}s each, no failure"
