#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs every test headless.
# Options:  --tsan   build into build-tsan/ with ThreadSanitizer and run the tests there
#                    (suppressions: tests/tsan.supp)
#           --asan   build into build-asan/ with AddressSanitizer + UBSan (leak
#                    suppressions for system libraries: tests/lsan.supp)
#           any other arguments are passed to ctest (e.g. -R Localization)
set -euo pipefail
cd "$(dirname "$0")"

build_dir=build
cmake_args=(-DCMAKE_BUILD_TYPE=Release)
ctest_args=()
for arg in "$@"; do
  case "$arg" in
    --tsan) build_dir=build-tsan; cmake_args+=(-DQUOREL_SANITIZE_THREAD=ON -DQUOREL_BUILD_BENCH=OFF)
            export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp halt_on_error=0 second_deadlock_stack=1" ;;
    --asan) build_dir=build-asan; cmake_args+=(-DQUOREL_SANITIZE_ADDRESS=ON -DQUOREL_BUILD_BENCH=OFF)
            export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp print_suppressions=0" ;;
    *) ctest_args+=("$arg") ;;
  esac
done

./scripts/install-deps.sh
cmake -S . -B "$build_dir" -G Ninja "${cmake_args[@]}" >/dev/null
cmake --build "$build_dir"

export QT_QPA_PLATFORM=offscreen
export VSXSIM_DETERMINISTIC=1
jobs=$(nproc)
status=0
(cd "$build_dir" && ctest --output-on-failure -j "$jobs" -LE 'opengl|tsan-canary' "${ctest_args[@]}") || status=1
if (cd "$build_dir" && ctest -N -L opengl | grep -q 'Total Tests: [1-9]'); then
  (cd "$build_dir" && QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
      ctest --output-on-failure -j "$jobs" -L opengl "${ctest_args[@]}") || status=1
fi
exit $status
