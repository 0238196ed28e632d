"""Signal-list generation: a directory of AUTOSAR ARXML files to the workbook SignalList.xlsx."""
import os
from typing import Any, Callable, Dict, Iterable, List, NamedTuple, Optional, Sequence, Tuple, Union, overload

from typing_extensions import Literal

from Velvane.Pellinor import Pellinor as Pellinor
# xlsxwriter's class, imported when first read (the native writer does without it).
from xlsxwriter.workbook import Workbook as Workbook

_Path = Union[str, "os.PathLike[str]"]
_Record = List[str]

_Progress = Callable[[int, int, str, int], object]
"""progress(index, total, entry name, size in bytes), called after each '.arxml' entry."""

class Signal(NamedTuple):
    """One signal of the workbook, as load's `signals` callable gets it."""

    sheet: str  # the worksheet's name
    port: str  # the port's short name
    direction: str  # "input" (a required port) or "output" (a provided port)
    type: str  # the type cell as written; "" when the signal has no type
    reason: Optional[str]
    """None for a typed signal; else "interface-missing" (no file read defines its interface),
    "not-data-interface" (client-server, trigger, parameter or NV-data), "no-data-type" (the interface
    names no data element or type) or, with resolve="file", "file-lookup"."""
    interface: str  # the port's interface reference, absolute where the project index could make it so

_Signals = Callable[[Signal], object]

class TruncationWarning(UserWarning):
    """A text was cut to the 32,767 characters (UTF-16 units) a cell holds, or signals past a
    sheet's last row (1,048,576) were left out; the message names the sheet (and the cell)."""
    ...

class Change(NamedTuple):
    """One row of the comparison of two deliveries (compare)."""

    component: str  # the component's short name; for a connector row, the composition's
    port: str
    """The port's short name; for a connector row "provider.port -> requester.port" (prototype and port
    short names); "" for a component row."""
    direction: str  # "input" (a required port), "output" (a provided port); "" for component and connector rows
    change: str
    """"component added", "component removed", "port added", "port removed", "interface changed",
    "type changed", "values changed", "description changed", "unit changed", "range changed",
    "scaling changed", "init value changed", "timeout changed", "queue length changed",
    "connector added" or "connector removed"."""
    old: str  # the value before, as the workbook shows it; "" for what was added
    new: str  # the value after; "" for what was removed

class Changes(List[Change]):
    """The list of Change rows compare returns, in name order."""

    skipped: List[Tuple[str, str, Exception]]
    """The files left out with on_error="skip": (side, path, exception), side "old" or "new"."""

def compare(
    old: _Path,
    new: _Path,
    *,
    output: Optional[_Path] = ...,
    recursive: bool = ...,
    type_sources: Union[_Path, Iterable[_Path]] = ...,
    on_error: Literal["raise", "skip"] = ...,
) -> Changes:
    """Compares two deliveries, the directories `old` and `new`, each read as
    load(path, resolve="project", details=True) reads it: components by short name, their ports by
    short name and direction, compositions' connectors by their four ends. Returns the changes (empty:
    no differences); with `output`, also writes them to the sheet 'Changes' of that workbook.
    on_error="skip" leaves out files that cannot be read and lists them in the result's `skipped`."""

class WorkbookError(ValueError):
    """The file given to generate() is not a workbook that can be read (not a zip archive, a part
    missing, malformed or too large). str() is '<path>: not a workbook: <cause>'."""
    path: str

class SignalListError(ValueError):
    """Bad input in a signal sheet; str() is '<sheet>!<cell>: <cause>' ('<sheet>: <cause>' for the
    sheet as a whole)."""
    sheet: str
    cell: str  # "B7"; "" for the sheet as a whole
    cause: str

class GenerateWarning(UserWarning):
    """A sheet generate() left out: not a signal sheet (error is None), or, with on_error="skip",
    a signal sheet with bad input (error is its SignalListError)."""
    sheet: str
    error: Optional[SignalListError]

def generate(workbook: _Path, output_dir: _Path, *, on_error: Literal["raise", "skip"] = ...) -> List[str]:
    """Writes '<sheet>.arxml' per signal sheet of `workbook`, and 'Shared/PortInterfaces.arxml' and
    'Shared/DataTypes.arxml', into `output_dir` (made if missing), each through a temporary file
    renamed into place once all are written; returns the paths written. on_error="raise": the first
    SignalListError ends the call and nothing is written; "skip": a bad sheet is left out with a
    GenerateWarning. Raises WorkbookError, OSError, ValueError (unknown on_error)."""
    ...

table1List: List[str]
table2List: List[str]
table3List: List[str]
table4List: List[str]
table5List: List[str]
table6List: List[str]
table7List: List[str]
table8List: List[str]
table9List: List[str]

class Tessaly:
    """Loader and workbook writer of the signal list. Holds no state."""

    def __init__(self) -> None: ...
    @overload
    def load(
        self,
        path: _Path,
        *,
        output: Optional[_Path] = ...,
        on_error: Literal["raise"] = ...,
        progress: Optional[_Progress] = ...,
        resolve: Literal["file", "project"] = ...,
        recursive: bool = ...,
        type_sources: Union[_Path, Iterable[_Path]] = ...,
        signals: Optional[_Signals] = ...,
        connections: bool = ...,
        details: bool = ...,
        sort: bool = ...,
        working_view: bool = ...,
    ) -> None:
        """Writes one worksheet per '.arxml' entry of `path` into the workbook (default
        './SignalList.xlsx'); the first failing file ends the call and nothing is written.
        resolve='project' also types ports through the references across the directory's files.
        recursive=True reads every '.arxml' file under `path`; type_sources are files or folders read
        into the project index only (resolve='project' alone); signals(Signal) is called for each
        signal written, with the reason of an untyped one.
        connections=True adds the sheet 'Connections': the assembly connectors of every composition
        and the ports of its components that no connector names. details=True fills the
        description, detailed description and remark columns. sort=True reads the entries in the
        order of their names instead of the directory's listing order. working_view=True freezes
        each sheet's header row, puts an autofilter over it and makes each row as tall as its
        wrapped texts. The output's folder must exist and take the workbook: OSError before any
        file is read otherwise."""
        ...
    @overload
    def load(
        self,
        path: _Path,
        *,
        output: Optional[_Path] = ...,
        on_error: Literal["skip"],
        progress: Optional[_Progress] = ...,
        resolve: Literal["file", "project"] = ...,
        recursive: bool = ...,
        type_sources: Union[_Path, Iterable[_Path]] = ...,
        signals: Optional[_Signals] = ...,
        connections: bool = ...,
        details: bool = ...,
        sort: bool = ...,
        working_view: bool = ...,
    ) -> List[Tuple[str, Exception]]:
        """As above, but a failing file is left out; returns the (entry name, exception) pairs of
        the files left out."""
        ...
    def genExcel(
        self,
        workbook: Workbook,
        modelName: str,
        pport: Sequence[_Record],
        rport: Sequence[_Record],
        typeDcit: Dict[str, str],
        enumDict: Dict[str, str],
        structDict: Dict[str, _Record],
        enumValList: Dict[str, List[List[Any]]],
    ) -> None:
        """Adds the signal sheet of one model to `workbook`."""
        ...
