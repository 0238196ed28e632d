"""Whether a run can write its workbook where it is asked to, found out before any file is read.

Used by ``Velvane.Tessaly`` (load checks its output first) and by the ``velvane`` command (private).
The workbook is written to a temporary file beside the target and renamed over it at the end, so the
target's folder must take a new file, and a workbook already there must be one that may be replaced.
Every refusal is an OSError subclass whose message names the output as the caller gave it, says what
is wrong in words, and where the caller can do something about it, what.
"""
import contextlib
import errno
import os

# How advice names the output: load's keyword, or what advice_naming sets for a while.
option_name = "output"


@contextlib.contextmanager
def advice_naming(option):
    """Within the block, advice names the output as `option` (the command's "-o")."""
    global option_name
    saved, option_name = option_name, option
    try:
        yield
    finally:
        option_name = saved


def _refusal(kind, number, message):
    # The message alone is the exception's text; errno says the kind to code that asks.
    error = kind(message)
    error.errno = number
    return error


def shown_path(path):
    """`path` for a message: bytes that are not UTF-8 (held as surrogate escapes) shown as \\xNN."""
    return path.encode("utf-8", "surrogateescape").decode("utf-8", "backslashreplace")


def check_output(output, option=None):
    """Raises, for the workbook path `output` (a str), the reason it could not be written there:
    FileNotFoundError (its folder does not exist), NotADirectoryError (what should be its folder is
    a file), IsADirectoryError (it names a folder), PermissionError (the folder takes no new file,
    or a workbook there cannot be replaced) or OSError (something there that is not a file).
    `option` is how advice names the output (default: option_name)."""
    option = option or option_name
    if not output:
        raise ValueError("output must not be empty")
    shown = shown_path(output)
    target = os.path.realpath(output)
    given_folder = os.path.dirname(output)
    folder = os.path.dirname(target)
    folder_shown = shown_path(given_folder) if given_folder else "."
    if os.path.isdir(target) or output.endswith(os.sep) or (os.altsep and output.endswith(os.altsep)):
        raise _refusal(IsADirectoryError, errno.EISDIR,
                       "%s: names a folder; name the workbook file in it, as in %s"
                       % (shown, shown_path(os.path.join(output, "SignalList.xlsx"))))
    if not os.path.exists(folder):
        raise _refusal(FileNotFoundError, errno.ENOENT, "%s: the folder %s does not exist" % (shown, folder_shown))
    if not os.path.isdir(folder):
        raise _refusal(NotADirectoryError, errno.ENOTDIR, "%s: %s is not a folder" % (shown, folder_shown))
    if not os.access(folder, os.W_OK | os.X_OK):
        raise _refusal(PermissionError, errno.EACCES,
                       "%s: the folder %s does not let you create files in it; choose another %s"
                       % (shown, folder_shown, option))
    if os.path.lexists(target):
        check_replaceable(output, target, option)


def check_replaceable(output, target, option):
    """Raises when the file at `target` (the real path of `output`) may not be replaced by a workbook."""
    shown = shown_path(output)
    if not os.path.isfile(target):
        raise _refusal(OSError, errno.EEXIST,
                       "%s: is not a regular file (a device, pipe or socket) and is not replaced by a "
                       "workbook; choose another %s" % (shown, option))
    if not os.access(target, os.W_OK):
        raise _refusal(PermissionError, errno.EACCES,
                       "%s: the workbook there is read-only and is not replaced; make it writable, or "
                       "choose another %s" % (shown, option))
    try:
        # Opened for appending, it is not changed; a program that holds it open may refuse this
        # (Windows locks a workbook that a spreadsheet program has open).
        with open(target, "ab"):
            pass
    except OSError as error:
        raise _refusal(PermissionError, error.errno or errno.EACCES,
                       "%s: the workbook there cannot be replaced (%s); close it in the program that "
                       "has it open, or choose another %s"
                       % (shown, error.strerror or error, option))


def move_into_place(temporary, target, output):
    """Renames the finished workbook `temporary` over `target` (the real path of `output`); a
    failure is an OSError of the same kind that names `output` and the cause."""
    try:
        os.replace(temporary, target)
    except OSError as error:
        cause = error.strerror or str(error)
        if isinstance(error, PermissionError) or error.errno == errno.EBUSY:
            raise _refusal(PermissionError, error.errno, "%s: the workbook there cannot be replaced (%s); close "
                           "it in the program that has it open, or choose another %s"
                           % (shown_path(output), cause, option_name)) from error
        raise _refusal(type(error), error.errno, "%s: the finished workbook cannot be moved into place (%s)"
                       % (shown_path(output), cause)) from error
