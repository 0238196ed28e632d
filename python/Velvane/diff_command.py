"""``velvane diff OLD NEW``: what changed between two deliveries of component files, signal by signal.

    velvane diff OLD NEW [-o CHANGES.xlsx] [-r] [--types-from PATH]... [-k] [-q] [--debug]

OLD and NEW are read as ``velvane DIR --details`` reads a directory (project resolution); the
comparison itself is ``Velvane.Tessaly.compare``. Standard output gets one line per change (none with
-q), standard error the failures, warnings and the summary. Exit status as diff(1): 0 no differences,
1 differences, 2 trouble (a usage error, a missing directory, a file that could not be read, a
workbook that could not be written); with --keep-going a file left out still gives 2, since the
comparison is incomplete.
"""
import argparse
import os
import sys
import traceback
import warnings

from Velvane.cli import (CannotStart, UsageError, check_directory, check_output, check_type_sources,
                         describe_failure, plural)

EXIT_SAME = 0
EXIT_DIFFERENT = 1
EXIT_TROUBLE = 2

NONE_SHOWN = "(none)"  # an empty value on the changed side of a change line

# What a row does to its thing, by its change text's last word.
ADDED, REMOVED = "added", "removed"


def build_parser():
    parser = argparse.ArgumentParser(
        prog="velvane diff",
        description="List what changed between two deliveries of AUTOSAR component files, signal by signal: "
                    "components, ports, interfaces, data types, values, details (description, unit, range, "
                    "scaling, init value, timeout, queue length) and the connectors of compositions. Things "
                    "are matched by short name, never by file, UUID, element order or admin data.",
        epilog="Exit status: 0 no differences, 1 differences, 2 trouble (also with --keep-going when a file "
               "was left out).")
    parser.add_argument("old", metavar="OLD", help="directory of the earlier delivery")
    parser.add_argument("new", metavar="NEW", help="directory of the later delivery")
    parser.add_argument("-o", "--output", metavar="CHANGES.xlsx",
                        help="also write the changes to this workbook (sheet 'Changes')")
    parser.add_argument("-r", "--recursive", action="store_true",
                        help="also read the .arxml files in the folders under OLD and NEW, at any depth")
    parser.add_argument("--types-from", metavar="PATH", action="append", default=[], dest="types_from",
                        help="an ARXML file, or a folder read at any depth, whose interfaces and data types "
                             "serve both deliveries (repeatable)")
    parser.add_argument("-k", "--keep-going", action="store_true",
                        help="leave out files that cannot be read and compare the others (the exit status "
                             "is still 2)")
    parser.add_argument("-q", "--quiet", action="store_true",
                        help="no change lines; the summary, failures and warnings are still reported")
    parser.add_argument("--debug", action="store_true", help="show the Python traceback of each failure")
    return parser


def shown_text(text):
    """A value on one line: control characters written as escapes."""
    if text.isprintable():
        return text
    return "".join(c if c.isprintable() or c == " " else c.encode("unicode_escape").decode("ascii") for c in text)


def change_line(change):
    """One change as a line: `Component/Port (direction): change: old -> new`, and for the rows of
    components and connectors `Component: change: ...`."""
    if change.direction:
        subject = "%s/%s (%s)" % (change.component, change.port, change.direction)
    else:
        subject = change.component
    effect = change.change.rsplit(" ", 1)[-1]
    if effect == ADDED or effect == REMOVED:
        value = change.new if effect == ADDED else change.old
        if change.port and not change.direction:  # a connector: its ends, then its short name
            value = change.port + (" (%s)" % value if value else "")
        detail = (": " + shown_text(value)) if value else ""
    else:
        detail = ": %s -> %s" % (shown_text(change.old) or NONE_SHOWN, shown_text(change.new) or NONE_SHOWN)
    return "%s: %s%s" % (subject, change.change, detail)


def summary_line(changes, lost):
    """The summary: how many changes in how many components, and what each side lost."""
    if changes:
        components = {}
        for change in changes:
            effect = change.change.rsplit(" ", 1)[-1]
            if change.change.startswith("component "):
                components[change.component] = effect
            else:
                components.setdefault(change.component, "changed")
        counts = [sum(1 for effect in components.values() if effect == kind)
                  for kind in (ADDED, REMOVED, "changed")]
        text = "velvane: %s in %s (%d added, %d removed, %d changed)" % (
            plural(len(changes), "change"), plural(len(components), "component"), counts[0], counts[1], counts[2])
    else:
        text = "velvane: no differences"
    losses = ["%s of %s" % (plural(count, "file"), side) for side, count in lost if count]
    if losses:
        text += "; incomplete: %s left out" % " and ".join(losses)
    return text


class Output(object):
    """Standard output that survives a closed pipe (`velvane diff ... | head`) and texts the terminal
    cannot encode."""

    def __init__(self, stream):
        self.stream = stream

    def line(self, text):
        if self.stream is None:
            return
        try:
            try:
                self.stream.write(text + "\n")
            except UnicodeEncodeError:
                encoding = getattr(self.stream, "encoding", None) or "ascii"
                self.stream.write(text.encode(encoding, "backslashreplace").decode(encoding) + "\n")
        except BrokenPipeError:
            self.closed()

    def flush(self):
        if self.stream is None:
            return
        try:
            self.stream.flush()
        except BrokenPipeError:
            self.closed()

    def closed(self):
        # Whoever reads stopped reading: the rest is dropped, and so is what is still buffered.
        try:
            devnull = os.open(os.devnull, os.O_WRONLY)
            os.dup2(devnull, self.stream.fileno())
            os.close(devnull)
        except (AttributeError, OSError, ValueError):
            pass
        self.stream = None


class Diff(object):
    """One comparison, with its reporting."""

    def __init__(self, options, stdout, stderr):
        self.options = options
        self.out = Output(stdout)
        self.stderr = stderr
        self.truncation_warning = None
        self.other_warnings = None

    def say(self, text):
        self.stderr.write(text + "\n")
        self.stderr.flush()

    def report_failure(self, path, error):
        self.say(describe_failure(path, error))
        if self.options.debug:
            traceback.print_exception(type(error), error, error.__traceback__, file=self.stderr)

    def report_error(self, text, error):
        self.say("velvane: error: %s" % text)
        if self.options.debug:
            traceback.print_exception(type(error), error, error.__traceback__, file=self.stderr)

    def show_warning(self, message, category, filename, lineno, file=None, line=None):
        if issubclass(category, self.truncation_warning):
            self.say("velvane: warning: %s" % message)
        else:
            self.other_warnings(message, category, filename, lineno, file, line)

    def compare(self, compare):
        kwargs = {"recursive": self.options.recursive, "type_sources": self.options.types_from,
                  "on_error": "skip" if self.options.keep_going else "raise"}
        if self.options.output is not None:
            kwargs["output"] = self.options.output
        with warnings.catch_warnings():
            warnings.simplefilter("always", self.truncation_warning)
            self.other_warnings = warnings.showwarning
            warnings.showwarning = self.show_warning
            return compare(self.options.old, self.options.new, **kwargs)

    def execute(self):
        try:
            from Velvane.Tessaly import TruncationWarning, compare
        except ImportError as error:
            self.report_error("cannot load the signal-list modules: %s" % error, error)
            return EXIT_TROUBLE
        self.truncation_warning = TruncationWarning
        try:
            changes = self.compare(compare)
        except Exception as error:  # noqa: BLE001 - every failure becomes a message and a status
            self.report_stop(error)
            return EXIT_TROUBLE
        reported = set()
        for _, path, failure in changes.skipped:
            if path not in reported:  # a type source serves both sides: one line for it
                reported.add(path)
                self.report_failure(path, failure)
        if not self.options.quiet:
            for change in changes:
                self.out.line(change_line(change))
            self.out.flush()
        lost = [(self.options.old, sum(1 for side, _, _ in changes.skipped if side == "old")),
                (self.options.new, sum(1 for side, _, _ in changes.skipped if side == "new"))]
        self.say(summary_line(changes, lost))
        if changes.skipped:
            return EXIT_TROUBLE
        return EXIT_DIFFERENT if changes else EXIT_SAME

    def names_output(self, path):
        """Whether `path` is the workbook to write or the temporary file it is written to first."""
        if not self.options.output:
            return False
        target = os.path.realpath(self.options.output)
        path = os.path.realpath(path)
        name = os.path.basename(path)
        return path == target or (os.path.dirname(path) == os.path.dirname(target) and name.endswith(".tmp")
                                  and name.startswith("." + os.path.basename(target) + "."))

    def report_stop(self, error):
        """A failure that ended the run: a file's (the exception names it), or writing the workbook's."""
        path = getattr(error, "filename", None)
        if isinstance(path, str) and not self.names_output(path):
            self.report_failure(path, error)
            written = "; nothing written to %s" % self.options.output if self.options.output else ""
            self.say("velvane: stopped at the first failing file%s (--keep-going leaves failing files out "
                     "instead)" % written)
        elif self.options.output:
            self.report_error("cannot write %s: %s" % (self.options.output, error), error)
        else:
            self.report_error(str(error) or type(error).__name__, error)


def main(argv=None):
    """Runs `velvane diff` with `argv` (the arguments after `diff`) and returns the exit status."""
    argv = sys.argv[2:] if argv is None else list(argv)
    parser = build_parser()
    options = parser.parse_args(argv)
    try:
        check_directory(options.old)
        check_directory(options.new)
        check_type_sources(options.types_from, "project")
        if options.output is not None:
            check_output(options.output)
    except UsageError as problem:
        parser.print_usage(sys.stderr)
        sys.stderr.write("velvane: error: %s\n" % problem)
        return EXIT_TROUBLE
    except CannotStart as problem:
        sys.stderr.write("velvane: error: %s\n" % problem)
        return EXIT_TROUBLE
    # A signal that stops the run is reported by the command's main (cli.main), as for any subcommand.
    return Diff(options, sys.stdout, sys.stderr).execute()
