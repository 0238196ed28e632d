"""``python -m Velvane DIR [-o OUTPUT] ...``: the same command as the installed ``velvane`` script."""
import sys

from Velvane._program import main

if __name__ == "__main__":
    sys.exit(main())
