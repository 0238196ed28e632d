#!/usr/bin/env bash
# Sets everything up from scratch and turns the bundled examples/ into ./SignalList.xlsx: the Debian
# packages the build needs, the virtual environment .venv/<python version> with velvane built into it,
# then the command itself. Each step says what it does; pip shows its own progress.
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
ensure_system_packages python3-venv
venv_py="$(make_venv "$(find_newest_python)")"
venv="$(dirname "$(dirname "$venv_py")")"
echo "== velvane examples -o SignalList.xlsx"
"$venv/bin/velvane" "$velvane_root/examples" -o ./SignalList.xlsx
echo "== done: velvane is in ${venv#"$PWD"/}; run it on your own folder with"
echo "   ${venv#"$PWD"/}/bin/velvane path/to/arxml-folder"
echo "   or put it on PATH first: . ${venv#"$PWD"/}/bin/activate"
