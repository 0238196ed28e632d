#!/usr/bin/env bash
# Renders the pictures of sheets shown in the README (docs/signal-sheet.png by default): turns examples/
# (or another directory) into a workbook with the velvane command, prints one of its sheets to PDF with
# LibreOffice (headless) and rasterises the page with pdftoppm. The sheet is shown as the command wrote
# it (row heights, frozen header row, filter): only the other sheets are left out and the page is set
# up for printing. Needs Debian's libreoffice-calc-nogui, poppler-utils, the metric equivalent of the
# workbook's font (Carlito for Calibri) and a CJK font for the header texts; installs what is missing.
# Usage: tools/render_sheet_picture.sh [sheet name [directory [picture name [velvane option ...]]]]
# (defaults: DoorLock, which shows arrays, enumerations and structures in both halves, from examples
# into docs/signal-sheet.png). The Connections sheet's picture:
#   tools/render_sheet_picture.sh Connections examples/composition connections-sheet --connections
# The picture of a sheet with signal details:
#   tools/render_sheet_picture.sh DoorLock examples signal-sheet-details --details
# The sheet Changes is made by `velvane diff DIRECTORY OPTION...`, the later delivery given as the option:
#   tools/render_sheet_picture.sh Changes examples/composition changes-sheet examples/composition-v2
# With VELVANE_PYTHON set, that interpreter is used as it is (PYTHONPATH included) instead of the
# package built into .venv/.
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
cd "$velvane_root"
ensure_system_packages python3-venv libreoffice-calc-nogui poppler-utils fonts-crosextra-carlito fonts-wqy-zenhei
py="${VELVANE_PYTHON:-}"
[ -n "$py" ] || py="$(make_venv "$(find_newest_python)" test)"
sheet="${1:-DoorLock}"
source="${2:-examples}"
picture="${3:-signal-sheet}"
options=("${@:4}")

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if [ "$sheet" = Changes ]; then
    # velvane diff says "differences" with the status 1
    "$py" -m Velvane diff "$source" "${options[@]}" -q -o "$work/SignalList.xlsx" 2>/dev/null || [ $? -eq 1 ]
else
    "$py" -m Velvane "$source" -q -o "$work/SignalList.xlsx" "${options[@]}"
fi

# A copy laid out for one landscape page: the chosen sheet only, fitted to the page width.
"$py" - "$work/SignalList.xlsx" "$work/sheet.xlsx" "$sheet" <<'PY'
import sys

import openpyxl

source, target, wanted = sys.argv[1:4]
book = openpyxl.load_workbook(source)
keep = book[wanted] if wanted else book.worksheets[0]
for sheet in list(book.worksheets):
    if sheet is not keep:
        book.remove(sheet)
keep.page_setup.orientation = "landscape"
keep.page_setup.paperSize = keep.PAPERSIZE_A3
keep.sheet_properties.pageSetUpPr.fitToPage = True
keep.page_setup.fitToWidth = 1
keep.page_setup.fitToHeight = 0
keep.page_margins.left = keep.page_margins.right = 0.2
keep.page_margins.top = keep.page_margins.bottom = 0.2
keep.page_margins.header = keep.page_margins.footer = 0
keep.print_area = keep.dimensions
book.save(target)
PY

# A private profile, so that no desktop settings or running instance get in the way.
soffice --headless -env:UserInstallation="file://$work/profile" \
    --convert-to pdf --outdir "$work" "$work/sheet.xlsx" >/dev/null
# Trim the page to the table: the bounding box of the text that pdftotext finds (in points), widened
# by a margin that takes in the cell borders, in pixels at the resolution of the picture.
dpi=150
pdftotext -f 1 -l 1 -bbox "$work/sheet.pdf" "$work/words.html"
read -r x y w h < <("$py" - "$work/words.html" "$dpi" <<'PY'
import re
import sys

text = open(sys.argv[1], encoding="utf-8").read()
scale = float(sys.argv[2]) / 72
boxes = [tuple(float(v) for v in m) for m in re.findall(
    r'<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)"', text)]
left = min(b[0] for b in boxes) - 14
top = min(b[1] for b in boxes) - 8
right = max(b[2] for b in boxes) + 14
bottom = max(b[3] for b in boxes) + 8
print(*(int(round(v * scale)) for v in (max(left, 0), max(top, 0), right - left, bottom - top)))
PY
)
pdftoppm -png -r "$dpi" -f 1 -l 1 -singlefile -x "$x" -y "$y" -W "$w" -H "$h" "$work/sheet.pdf" "docs/$picture"
echo "wrote docs/$picture.png (${w}x${h})"
