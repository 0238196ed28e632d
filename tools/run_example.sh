#!/usr/bin/env bash
# Sets everything up from scratch and turns the bundled examples/ into ./SignalList.xlsx.
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
ensure_system_packages python3-venv
venv_py="$(make_venv "$(find_newest_python)")"
"$venv_py" -m Velvane "$velvane_root/examples" -o ./SignalList.xlsx
