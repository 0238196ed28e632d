"""ARXML schema bindings. ``AUTOSAR_00048`` reads files of every AUTOSAR R4 revision through the
element types of schema revision 00048."""
