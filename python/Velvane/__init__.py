"""Velvane: AUTOSAR ARXML software components to a signal-list workbook.

``Velvane.Pellinor`` analyses one ARXML file; ``Velvane.Tessaly`` turns a directory of them into
``SignalList.xlsx``. ``Velvane.TruncationWarning`` (defined in ``Velvane.Tessaly``) is issued for
every text cut to fit a cell and every sheet whose signals ran past its last row.
"""
from typing import TYPE_CHECKING

__version__ = "0.1.0"

if TYPE_CHECKING:
    from Velvane.Tessaly import TruncationWarning as TruncationWarning


def __getattr__(name):
    # The native modules load only when asked for, so `import Velvane` stays cheap.
    if name == "TruncationWarning":
        from Velvane.Tessaly import TruncationWarning
        return TruncationWarning
    raise AttributeError("module 'Velvane' has no attribute %r" % (name,))
