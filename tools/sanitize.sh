#!/usr/bin/env bash
# The sanitizer lane: the logic libraries and every test without windows built
# with clang under AddressSanitizer and UndefinedBehaviorSanitizer and run,
# then each fuzz target for FUZZ_SECONDS (default 40) from its seed corpus.
# Window tests are left to the normal build: Qt under the sanitizers would
# double the build for little gain. Needs tools/install-deps.sh --fuzz.
# A finding fails the lane; its input is kept in the build folder's
# fuzz-findings/ to be added to the corpus once fixed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SANITIZE_BUILD_DIR:-$root/build-sanitize}
seconds=${FUZZ_SECONDS:-40}
jobs=$(nproc)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ ! -f "$build/CMakeCache.txt" ]; then
  # -O1 and line tables only: fast enough to build and to fuzz, with stack traces.
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
    -DSERVODESK_SANITIZE=ON -DSERVODESK_FUZZ=ON "${launcher[@]}"
fi
started=$SECONDS
cmake --build "$build" -j "$jobs" --target logic_tests fuzz_targets
echo "sanitizer lane: build $((SECONDS - started)) s"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
started=$SECONDS
# A real-pseudo-terminal test under heavy load may miss a timing once: one retry.
(cd "$build" && ctest --output-on-failure -j "$jobs" --repeat until-pass:2 -LE 'gui|window|e2e|packaging')
echo "sanitizer lane: tests $((SECONDS - started)) s"
started=$SECONDS

# ThreadSanitizer: the desk's line thread and its tests, built once more.
tsan=${TSAN_BUILD_DIR:-$root/build-tsan}
if [ ! -f "$tsan/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$tsan" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" \
    -DSERVODESK_TSAN=ON "${launcher[@]}"
fi
cmake --build "$tsan" -j "$jobs" --target desk_test servodesk_data
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} "$tsan/tests/desk/desk_test"
echo "sanitizer lane: thread sanitizer $((SECONDS - started)) s"
started=$SECONDS

dictionary_of() {
  case "$1" in
    reply_fuzz) echo reply ;;
    simrequest_fuzz) echo simrequest ;;
    transferline_fuzz | tableline_fuzz) echo paramline ;;
    initini_fuzz) echo initini ;;
    limitini_fuzz) echo limitini ;;
    typefiles_fuzz) echo typefiles ;;
    identity_fuzz) echo identity ;;
    record_fuzz) echo record ;;
  esac
}

# One target: new inputs go to a scratch corpus, never into the repository.
fuzz_one() {
  local target=$1 work="$build/fuzz-work/$1" findings="$build/fuzz-findings/$1"
  local options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
                 -artifact_prefix="$findings/")
  local dict
  dict=$(dictionary_of "$target")
  [ -n "$dict" ] && options+=(-dict="$root/fuzz/dict/$dict.dict")
  rm -rf "$work" "$findings"
  mkdir -p "$work" "$findings"
  if "$build/fuzz/$target" "${options[@]}" "$work" "$root/fuzz/corpus/$target" \
      >"$build/fuzz-work/$target.log" 2>&1; then
    echo "fuzz $target: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
      "$build/fuzz-work/$target.log" | grep -o '[0-9]*$') inputs, no findings"
  else
    echo "fuzz $target: FINDING (input in $findings)"
    tail -n 40 "$build/fuzz-work/$target.log"
    return 1
  fi
}

mapfile -t targets <"$build/fuzz_targets.txt"
failed=0
running=0
for target in "${targets[@]}"; do
  [ -n "$target" ] || continue
  fuzz_one "$target" &
  if ((++running >= jobs)); then
    wait -n || failed=1
    ((running--))
  fi
done
while ((running > 0)); do
  wait -n || failed=1
  ((running--))
done
echo "sanitizer lane: fuzzing $((SECONDS - started)) s"
exit "$failed"
