#!/usr/bin/env bash
# Incremental developer build without pip: compiles the modules into build/dev-<ver>/python, which can
# go straight on PYTHONPATH. Usage: tools/dev_build.sh [python] [extra cmake args...]
#   PYTHONPATH=build/dev-3.13/python .venv/3.13/bin/python -m pytest tests
set -euo pipefail
source "$(dirname "$0")/setup_env.sh"
py="${1:-$(find_newest_python)}"; shift || true
ver="$("$py" -c 'import sys; print("%d.%d" % sys.version_info[:2])')"
venv="$velvane_root/.venv/$ver"
[ -x "$venv/bin/python" ] || "$py" -m venv "$venv"
"$venv/bin/python" -c 'import pybind11' 2>/dev/null || "$venv/bin/python" -m pip install -q "pybind11==2.13.6" pytest openpyxl hypothesis xlsxwriter
build="$velvane_root/build/dev-$ver${VELVANE_BUILD_SUFFIX:-}"
targets=()
for t in ${VELVANE_TARGETS:-}; do targets+=(--target "$t"); done
# The C++ tests of the core are built by tools/run_tests.sh (or here with -DVELVANE_TESTS=ON).
cmake -S "$velvane_root" -B "$build" -DPython_EXECUTABLE="$venv/bin/python" \
      -Dpybind11_DIR="$("$venv/bin/python" -m pybind11 --cmakedir)" -DVELVANE_TESTS=OFF "$@" >/dev/null
cmake --build "$build" -j 2 "${targets[@]}"
echo "PYTHONPATH=$build/python"
