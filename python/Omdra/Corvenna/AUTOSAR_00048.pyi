"""ARXML binding for AUTOSAR schema revision 00048: parse() and the element objects it returns."""
import os
from typing import Any, List, Optional, Union

from typing_extensions import final

_Path = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]

@final
class Element:
    """One ARXML element. Each child element is an attribute named after its tag with '-' as '_':
    a child the schema allows once is the child element or None, a child it allows more than once
    is a list in document order. XML attributes (DEST, UUID, ...) are readable by name too."""

    valueOf_: str
    """The element's text; absent on elements that carry no text."""

    def __getattr__(self, name: str) -> Any: ...
    def __dir__(self) -> List[str]: ...

class ParseError(ValueError):
    """The file is not well-formed XML, not acceptable text, or its root is not AUTOSAR.
    str(error) reads 'path:line:column: cause'."""

    filename: str
    lineno: int
    colno: int
    cause: str

def parse(path: _Path, silence: bool = ...) -> Element:
    """Parses one ARXML file and returns its AUTOSAR root element. Raises OSError for a file that
    cannot be read and ParseError for malformed XML or a root other than AUTOSAR."""
    ...

def _idle_pool_bytes() -> int: ...
def _release_pool() -> None: ...

class _ParseAhead:
    """A file being parsed ahead of its turn; dropping it discards a document no parse took."""

def _parse_ahead(path: _Path) -> Optional[_ParseAhead]: ...
