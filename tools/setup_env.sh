# Shared set-up for the scripts in tools/: system packages, interpreters, virtual environments.
# Source it; it defines functions and changes nothing by itself.

velvane_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build needs. Installs only what is missing (apt-get update only then), with
# sudo where the script does not run as root. Says what it does on standard error, one line a step.
ensure_system_packages() {
    local wanted=(g++ make pkg-config libpugixml-dev libxlsxwriter-dev libminizip-dev uuid-dev "$@") missing=() p
    for p in "${wanted[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null 2>&1; then
            echo "!! the Debian packages ${missing[*]} are missing: install them as root, or install sudo" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "== apt-get update (for ${missing[*]})" >&2
    # Waits for another apt-get run on the same machine instead of failing at once.
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq >&2
    echo "== apt-get install ${missing[*]}" >&2
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" \
        </dev/null >/dev/null
}

# Prints the path of a CPython interpreter of version $1 (for example 3.7), or nothing.
find_python() {
    local want="$1" root cand
    root="$(pyenv root 2>/dev/null || echo "$HOME/.pyenv")"
    for cand in $(ls -d "$root"/versions/"$want".* 2>/dev/null | sort -V -r); do
        [ -x "$cand/bin/python$want" ] && { echo "$cand/bin/python$want"; return; }
    done
    command -v "python$want" 2>/dev/null || true
}

# Prints the path of the newest CPython 3 interpreter installed.
find_newest_python() {
    local root best
    root="$(pyenv root 2>/dev/null || echo "$HOME/.pyenv")"
    best="$(ls -d "$root"/versions/3.* 2>/dev/null | grep -E '/3\.[0-9]+\.[0-9]+$' | sort -V | tail -n 1)"
    if [ -n "$best" ]; then
        echo "$best/bin/python3"
    else
        command -v python3
    fi
}

# The virtual environment of interpreter $1: .venv/<major.minor> in the repository, the one place
# every script (and the README) uses.
venv_of() {
    local ver
    ver="$("$1" -c 'import sys; print("%d.%d" % sys.version_info[:2])')" || return 1
    echo "$velvane_root/.venv/$ver"
}

# Creates (or reuses) the virtual environment for interpreter $1 and builds and installs the package
# into it with the extras $2 (for example "test"). Prints the environment's python; says what it does
# on standard error, with pip's own progress.
make_venv() {
    local py="$1" extras="${2:-}" venv spec="." shown
    venv="$(venv_of "$py")" || return 1
    shown="${venv#"$velvane_root"/}"
    if [ ! -x "$venv/bin/python" ]; then
        echo "== creating the virtual environment $shown ($("$py" --version 2>&1))" >&2
        "$py" -m venv "$venv" >&2 || return 1
    fi
    echo "== updating pip in $shown" >&2
    "$venv/bin/python" -m pip install --disable-pip-version-check --upgrade pip >&2 || return 1
    [ -n "$extras" ] && spec=".[$extras]"
    echo "== building velvane (C++, a few minutes the first time) and installing it into $shown" >&2
    (cd "$velvane_root" && "$venv/bin/python" -m pip install --disable-pip-version-check "$spec") >&2 || return 1
    echo "$venv/bin/python"
}
