"""Velvane: AUTOSAR ARXML software components to a signal-list workbook.

``Velvane.Pellinor`` analyses one ARXML file; ``Velvane.Tessaly`` turns a directory of them into
``SignalList.xlsx``.
"""

__version__ = "0.1.0"
