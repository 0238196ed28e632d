"""Which ARXML files a run reads besides a directory's own listing: every ".arxml" file of a folder
tree, and the type sources, the files that only feed the project index; a listing in name order; and,
for the command, what a folder holds when it has no ".arxml" file to read.

Used by ``Velvane.Tessaly`` and ``Velvane.cli`` (private). Paths inside a tree are "/"-separated and relative to its top;
they are ordered by their UTF-8 bytes, so that a run reads the same tree in the same order everywhere.
"""
import os

SUFFIX = ".arxml"


def _byte_order(relative):
    # surrogateescape gives back the bytes of names that are not UTF-8, as the file system has them
    if isinstance(relative, bytes):
        return relative
    return relative.encode("utf-8", "surrogateescape")


def sorted_entries(entries):
    """A directory's entries (as os.listdir gives them) in the order of their names' UTF-8 bytes."""
    return sorted(entries, key=_byte_order)


def _text_path(path, what):
    path = os.fspath(path)
    if not isinstance(path, str):
        raise TypeError("%s must be a str or path-like of str, not %s" % (what, type(path).__name__))
    return path


def _tree_arxml(directory):
    """Yields the relative path of every ".arxml" entry under `directory` that is not a directory,
    as met (see tree_entries)."""
    pending = [""]
    while pending:
        prefix = pending.pop()
        with os.scandir(os.path.join(directory, prefix) if prefix else directory) as listing:
            for item in listing:
                relative = prefix + item.name
                if item.is_dir(follow_symlinks=False):
                    pending.append(relative + "/")
                elif item.name.endswith(SUFFIX) and not (item.is_symlink() and item.is_dir()):
                    yield relative


def tree_entries(directory):
    """The relative paths of every entry under `directory`, at any depth, whose name ends in ".arxml"
    and that is not a directory, in byte order. Folders are entered, symbolic links to folders are
    neither entered nor listed. A folder that cannot be listed raises its OSError."""
    directory = _text_path(directory, "path")
    found = list(_tree_arxml(directory))
    found.sort(key=_byte_order)
    return found


def _identity(path):
    return os.path.normcase(os.path.realpath(path))


def source_paths(sources):
    """The type sources as a list of str paths; a single path stands for a list of one. A source that
    does not exist raises FileNotFoundError before anything is read."""
    if isinstance(sources, (str, bytes)) or hasattr(sources, "__fspath__"):
        sources = [sources]
    try:
        items = list(sources)
    except TypeError:
        raise TypeError("type_sources must be a path or an iterable of paths, not %s" % type(sources).__name__)
    paths = [_text_path(item, "a type source") for item in items]
    for path in paths:
        if not os.path.exists(path):
            raise FileNotFoundError(2, "No such file or directory", path)
    return paths


def type_source_files(sources, directory, entries):
    """The files the type sources name, each as the absolute path the run reports it under: a file as
    it is (whatever its name), a folder's ".arxml" files at any depth in byte order. A file is named
    once, and not at all when it is one of the directory's `entries` (which the run reads anyway)."""
    seen = set(_identity(os.path.join(directory, entry)) for entry in entries if entry.endswith(SUFFIX))
    files = []
    for source in sources:
        if os.path.isdir(source):
            named = [os.path.join(source, relative) for relative in tree_entries(source)]
        else:
            named = [source]
        for path in named:
            identity = _identity(path)
            if identity not in seen:
                seen.add(identity)
                files.append(os.path.abspath(path))
    return files


def _suffix_found(name):
    """The spelling of a suffix that looks meant for ARXML but is not read (".ARXML", ".Arxml",
    ".xml", ...), or None."""
    lowered = name.lower()
    if lowered.endswith(SUFFIX) and not name.endswith(SUFFIX):
        return name[-len(SUFFIX):]
    if lowered.endswith(".xml"):
        return name[-4:]
    return None


class Survey(object):
    """What a folder holds for a run: `arxml_files`, whether there is a ".arxml" file to read (its
    own entries, or with `recursive` any under it); where there is none, `arxml_folders`, how many
    sub-folders (at any depth) hold ".arxml" files, `other_suffixes`, the count of files by each
    suffix that looks meant for ARXML but is not read, and `entries`, how many entries it holds."""

    def __init__(self):
        self.arxml_files = False
        self.arxml_folders = 0
        self.other_suffixes = {}
        self.entries = 0


def survey(directory, recursive):
    """Whether a run of `directory` has a ".arxml" file to read and, where it has none, what else is
    there (a Survey). Stops at the first file to read. Raises OSError when the folder cannot be listed."""
    directory = _text_path(directory, "path")
    found = Survey()
    names = os.listdir(directory)
    found.entries = len(names)
    if recursive:
        found.arxml_files = next(_tree_arxml(directory), None) is not None
    else:
        found.arxml_files = any(name.endswith(SUFFIX) for name in names)
    if found.arxml_files:
        return found
    if not recursive:
        found.arxml_folders = len(set(entry.rpartition("/")[0] for entry in _tree_arxml(directory)))
    for _, _, files in os.walk(directory) if recursive else [(directory, [], names)]:
        for name in files:
            suffix = _suffix_found(name)
            if suffix is not None:
                found.other_suffixes[suffix] = found.other_suffixes.get(suffix, 0) + 1
    return found
