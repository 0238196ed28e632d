#!/usr/bin/env bash
# Checks the native code for Windows without a Windows machine:
#  1. every C++ file of the core (src/core, which never uses Python) compiles with MinGW-w64;
#  2. the file layer (src/core/platform/platform_file.cpp) is cross-compiled with its test
#     (tests/core/platform/platform_file_test.cpp, a program of its own) and the test is run under Wine.
# Installs what it needs with apt-get; headless and non-interactive. Exits non-zero on any failure.
# A full Windows build of the Python modules is not part of it.
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
cd "$velvane_root"

ensure_system_packages g++-mingw-w64-x86-64-posix wine64 libxlsxwriter-dev

cxx=x86_64-w64-mingw32-g++-posix
wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine)"
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver || echo true)"

work="$(mktemp -d "${TMPDIR:-/tmp}/velvane-windows.XXXXXX")"
export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# Wine maps Windows file names to Linux ones through the locale's character set: UTF-8, as everywhere.
export LC_ALL=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

# Only the third-party headers the sources use go on the cross compiler's path, never /usr/include.
mkdir -p "$work/include"
for h in pugixml.hpp pugiconfig.hpp xlsxwriter.h xlsxwriter zlib.h zconf.h minizip uuid; do
    [ -e "/usr/include/$h" ] && ln -s "/usr/include/$h" "$work/include/$h"
done

status=0
echo "== MinGW-w64: syntax of the core's C++ files"
flags=(-std=c++17 -I src -I "$work/include")
checked=0
while IFS= read -r -d '' source; do
    checked=$((checked + 1))
    if "$cxx" "${flags[@]}" -fsyntax-only -Wall -Wextra "$source"; then
        echo "   ok $source"
    else
        echo "!! $source does not compile for Windows"
        status=1
    fi
done < <(find src/core -name '*.cpp' -print0 | sort -z)
[ $checked -gt 0 ] || { echo "!! no file was checked"; status=1; }

echo "== MinGW-w64: the file layer and its test, run under Wine"
exe="$work/platform_file_test.exe"
"$cxx" -std=c++17 -O1 -Wall -Wextra -Werror -static -I src \
    tests/core/platform/platform_file_test.cpp src/core/platform/platform_file.cpp -o "$exe"
# The first start of Wine creates its prefix; its chatter is of no interest.
timeout 300 "$wine" wineboot --init </dev/null >/dev/null 2>&1 || true
if ! timeout 120 "$wine" "$exe" </dev/null; then
    echo "!! the file layer's test failed under Wine"
    status=1
fi
exit $status
