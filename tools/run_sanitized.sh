#!/usr/bin/env bash
# Builds the extension modules with AddressSanitizer and UndefinedBehaviorSanitizer and runs the whole
# test suite against them on one interpreter. Any sanitizer report aborts the run and fails it.
# Usage: tools/run_sanitized.sh [python]
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
cd "$velvane_root"
ensure_system_packages libasan8 libubsan1 cmake doctest-dev
py="${1:-$(find_newest_python)}"
stage="$(VELVANE_BUILD_SUFFIX=-sanitize tools/dev_build.sh "$py" -DVELVANE_SANITIZE=ON -DVELVANE_TESTS=ON \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo | tail -n 1)"
stage="${stage#PYTHONPATH=}"
ver="$("$py" -c 'import sys; print("%d.%d" % sys.version_info[:2])')"
echo "== the C++ core's tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS="abort_on_error=1:halt_on_error=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
    /usr/bin/ctest --test-dir "$(dirname "$stage")" --output-on-failure
echo "== $("$py" --version 2>&1): tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# The interpreter itself is not instrumented: the runtime is preloaded (with the C++ runtime, so that
# exceptions thrown in the modules are intercepted) and leak detection is off for the interpreter.
cd tests
LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libstdc++.so)" \
ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:halt_on_error=1" \
UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" \
VELVANE_SANITIZED=1 PYTHONPATH="$stage" \
    "$velvane_root/.venv/$ver/bin/python" -m pytest -q -p no:cacheprovider .
