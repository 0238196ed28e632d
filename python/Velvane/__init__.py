"""Velvane: AUTOSAR ARXML software components to a signal-list workbook.

``Velvane.Pellinor`` analyses one ARXML file; ``Velvane.Tessaly`` turns a directory of them into
``SignalList.xlsx``. ``Velvane.TruncationWarning`` (defined in ``Velvane.Tessaly``) is issued for
every text cut to fit a cell and every sheet whose signals ran past its last row.
"""
__version__ = "0.1.0"

# typing.TYPE_CHECKING without importing typing, which would cost the command's start-up tens of
# milliseconds before it can take its signals in hand; type checkers treat this name the same way.
TYPE_CHECKING = False

if TYPE_CHECKING:
    from Velvane.Tessaly import TruncationWarning as TruncationWarning


def __getattr__(name):
    # The native modules load only when asked for, so `import Velvane` stays cheap.
    if name == "TruncationWarning":
        from Velvane.Tessaly import TruncationWarning
        return TruncationWarning
    raise AttributeError("module 'Velvane' has no attribute %r" % (name,))
