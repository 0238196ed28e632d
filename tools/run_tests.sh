#!/usr/bin/env bash
# Sets everything up from scratch and runs the whole test suite on Python 3.7 and on the newest
# CPython installed. Exits non-zero when any test fails.
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
cd "$velvane_root"

ensure_system_packages python3-venv cmake doctest-dev

pythons=()
py37="$(find_python 3.7)"
if [ -n "$py37" ]; then
    pythons+=("$py37")
else
    echo "!! Python 3.7 is not installed on this machine: the suite runs on the newest CPython only."
fi
newest="$(find_newest_python)"
if [ -z "$py37" ] || [ "$("$newest" -c 'import sys; print(sys.version_info[:2])')" != "$("$py37" -c 'import sys; print(sys.version_info[:2])')" ]; then
    pythons+=("$newest")
fi

status=0
# The C++ core alone, built without Python as any C++ user builds it, and its doctest tests. Debian's
# CMake: the one on PATH may be a Python package's.
echo "== C++ core without Python: build and tests"
mkdir -p build
if /usr/bin/cmake -S . -B build/core -DVELVANE_PYTHON=OFF -DVELVANE_TESTS=ON >build/core-build.log 2>&1 &&
    /usr/bin/cmake --build build/core -j 2 >>build/core-build.log 2>&1; then
    /usr/bin/ctest --test-dir build/core --output-on-failure || status=1
else
    tail -n 40 build/core-build.log
    echo "!! the C++ core or its tests did not build (build/core-build.log)"
    status=1
fi

for py in "${pythons[@]}"; do
    echo "== $("$py" --version 2>&1): build and install"
    venv_py="$(make_venv "$py" test)"
    echo "== $("$venv_py" --version 2>&1): tests"
    (cd tests && "$venv_py" -m pytest -q -p no:cacheprovider .) || status=1
done
[ $status -eq 0 ] || { echo "!! tests failed"; exit $status; }

# Mutated copies of real documents through load, readArxml and the command, for a minute: a crash, a
# hang, a traceback, a stray temporary file or a message that is no sentence fails the run.
"$venv_py" tools/run_robustness.py --seconds 60

# The native code for Windows: cross-compiled with MinGW-w64, the file layer's test run under Wine.
./tools/check_windows.sh

# Memory and undefined-behaviour checks of the native code, then a short fuzz run of the binding.
./tools/run_sanitized.sh "${pythons[-1]}"
./tools/run_fuzz.sh 60
