"""ARXML analyser: one AUTOSAR software-component file to records and type tables."""
import os
from typing import Any, ClassVar, Dict, List, Sequence, Tuple, Union

from Omdra.Corvenna import AUTOSAR_00048 as AUTOSAR_00048
from Omdra.Corvenna.AUTOSAR_00048 import Element

_Record = List[str]
"""One row of text cells, one per key of the key list it was built from."""

_KeyList = Sequence[str]

_Results = Tuple[List[_Record], List[_Record], List[_Record], List[_Record], List[_Record], List[_Record]]
"""Interfaces, required ports, provided ports, variable accesses, base types, implementation data types."""

class Pellinor:
    """Analyser of one AUTOSAR ARXML software-component file. The element lists, name, modelName and
    RUNNABLE_ENTITY_Name_Dict belong to one analyser; the four type tables are shared by all."""

    # Per analyser (class-level initial values until a walk stores its own).
    p_portList: List[Element]
    r_portList: List[Element]
    sr_interfaceList: List[Element]
    ImplementationDataTypesList: List[Element]
    SwBaseTypesList: List[Element]
    runnablesList: List[Element]
    enumList: List[Element]
    RUNNABLE_ENTITY_Name_Dict: Dict[str, List[str]]
    name: str
    modelName: str

    # Shared by every analyser of the process, never emptied.
    structValDict: ClassVar[Dict[str, _Record]]
    arrayValList: ClassVar[List[str]]
    enumValList: ClassVar[Dict[str, List[List[Union[int, str]]]]]
    enumDict: ClassVar[Dict[str, str]]

    def __init__(self) -> None: ...
    def readArxml(self, path: Union[str, "os.PathLike[str]"], dataArray: Sequence[_KeyList]) -> _Results:
        """Analyses one ARXML file; returns its six record lists."""
        ...
    def analysisWith00048(self, path: Union[str, "os.PathLike[str]"], dataArray: Sequence[_KeyList]) -> _Results:
        """The package walk of readArxml, without resetting RUNNABLE_ENTITY_Name_Dict."""
        ...
    def getArray(self, tableList: _KeyList, dataList: Sequence[Any]) -> List[_Record]:
        """One record per element of dataList, one cell per key of tableList."""
        ...
    def invokeData(self, obj: Any, key: str) -> Any:
        """Attribute `key` of obj (its first item for a list), or None. Never raises."""
        ...
    def set_structDict(self, dataList: Sequence[Element]) -> None: ...
    def set_ArrayList(self, dataList: Sequence[Element]) -> None: ...
    def set_enumDcit(self, dataList: Sequence[Element]) -> None: ...
    def setEnum(self, dataList: Sequence[Element]) -> None: ...
