"""The ``velvane`` command: a directory of ARXML files to the signal-list workbook, and its subcommands.

    velvane DIR [-o OUTPUT] [--keep-going] [--resolve {project,file}] [-r] [--types-from PATH]
                [-v] [--connections] [--details] [-q] [--debug] [--version]
    velvane SUBCOMMAND ...       (see SUBCOMMANDS; `velvane --help` lists them)

The files are read in the order of their names, and the sheets open ready to work with (header row
frozen, autofilter, rows as tall as their wrapped texts). Exit status: 0 when every file went into the
workbook, 1 when a file failed, the folder holds no .arxml file to read (nothing is written then) or
the workbook could not be written, 2 for a usage error or a folder or output that cannot be used
(found before any file is read). Progress is drawn on standard error when it is a terminal;
the summary and the failure lines go to standard error too, so standard output carries only what
``Tessaly.load`` itself prints. A directory named like a subcommand is given as ``./NAME``.
"""
import argparse
import importlib
import os
import re
import sys
import time
import traceback
import warnings

import Velvane
from Velvane import _program

EXIT_OK = 0
EXIT_FAILED = 1
EXIT_USAGE = 2
EXIT_INTERRUPTED = 130

DEFAULT_OUTPUT = "SignalList.xlsx"

# Subcommands: name -> (module whose main(argv) runs it, one line for `velvane --help`).
SUBCOMMANDS = {
    "diff": ("Velvane.diff_command", "what changed between two deliveries (OLD NEW), signal by signal"),
    "generate": ("Velvane.generate_command", "component ARXML files from a signal-list workbook"),
}


class UsageError(Exception):
    """A command line that cannot run: reported with the usage text, exit status 2."""


class CannotStart(Exception):
    """A folder or output that the command line names but cannot be used: reported in one line
    without the usage text, exit status 2."""


def subcommands_help():
    if not SUBCOMMANDS:
        return ""
    lines = ["subcommands (velvane SUBCOMMAND --help says more):"]
    lines += ["  %-10s %s" % (name, summary) for name, (_, summary) in sorted(SUBCOMMANDS.items())]
    return "\n".join(lines) + "\n\n"


def build_parser():
    parser = argparse.ArgumentParser(
        prog="velvane",
        description="Turn a directory of AUTOSAR ARXML software-component files into a signal-list "
                    "workbook: one worksheet per '.arxml' file, in the order of the file names, input and "
                    "output signals side by side.",
        epilog=subcommands_help() + "Exit status: 0 success, 1 a file failed or no .arxml file to read, 2 usage "
               "error or a folder or output that cannot be used.",
        formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("directory", metavar="DIR", help="directory holding the .arxml files")
    parser.add_argument("-o", "--output", metavar="OUTPUT", default=DEFAULT_OUTPUT,
                        help="workbook to write (default: %(default)s in the current directory)")
    parser.add_argument("-k", "--keep-going", action="store_true",
                        help="leave out files that fail and write the workbook of the others "
                             "(the exit status is still 1)")
    parser.add_argument("--resolve", choices=["project", "file"], default="project",
                        help="how ports get their data types. project (default): through the references "
                             "across all .arxml files of DIR (port, interface, data element, data type, "
                             "type mappings), so components, interfaces and data types may sit in separate "
                             "files; file: each file on its own, where a port is typed only when its "
                             "interface and types are in the same file and named by its conventions")
    parser.add_argument("-r", "--recursive", action="store_true",
                        help="also read the .arxml files in the folders under DIR, at any depth (symbolic "
                             "links to folders are not followed); one sheet per file as without it")
    parser.add_argument("--types-from", metavar="PATH", action="append", default=[], dest="types_from",
                        help="an ARXML file, or a folder read at any depth, whose interfaces and data types "
                             "serve the project resolution without getting sheets (repeatable)")
    parser.add_argument("-v", "--verbose", action="store_true",
                        help="list every signal left without a data type, with the reason and its "
                             "interface reference")
    parser.add_argument("--connections", action="store_true",
                        help="add a sheet 'Connections' after the file sheets: every assembly connector of "
                             "the compositions in DIR, and every port of their components that no "
                             "connector names")
    parser.add_argument("--details", action="store_true",
                        help="fill the description, detailed description and remark columns from what the "
                             "files say about each signal: descriptions, unit, range, scaling, init value, "
                             "alive timeout, queue length")
    parser.add_argument("-q", "--quiet", action="store_true",
                        help="no progress bar and no summary; failures are still reported")
    parser.add_argument("--debug", action="store_true", help="show the Python traceback of each failure")
    parser.add_argument("--version", action="version", version="%(prog)s " + Velvane.__version__)
    return parser


def check_directory(directory):
    if not os.path.exists(directory):
        raise CannotStart("%s: no such directory" % directory)
    if not os.path.isdir(directory):
        raise CannotStart("%s: not a directory" % directory)
    if not os.access(directory, os.R_OK | os.X_OK):
        raise CannotStart("%s: directory not readable" % directory)


def check_type_sources(sources, resolve):
    if sources and resolve != "project":
        raise UsageError("--types-from only serves --resolve project")
    for source in sources:
        if not os.path.exists(source):
            raise CannotStart("%s: no such type source" % source)


def check_output(output):
    """Refuses, before any work, an output that could not be written at the end: its folder
    missing or not writable, a folder named, a workbook there that cannot be replaced."""
    if not output:
        raise UsageError("the output path is empty")
    from Velvane import _output_path
    try:
        _output_path.check_output(output, "-o")
    except OSError as problem:
        raise CannotStart(str(problem))


def shown(path):
    """A path for a message, bytes that are not UTF-8 shown as \\xNN."""
    from Velvane import _output_path
    return _output_path.shown_path(path)


def output_name_warning(output):
    """The warning for an output whose name Excel does not take for a workbook; None for a name
    ending in .xlsx."""
    if output.lower().endswith(".xlsx"):
        return None
    return ("velvane: warning: %s does not end in .xlsx: Excel will not open the workbook by that name "
            "(it is written all the same)" % shown(output))


def nothing_to_read(directory, recursive):
    """The error line for a folder that holds no .arxml file to read, saying what it holds instead;
    None when there is a file to read (or the folder cannot be listed: the run says so)."""
    from Velvane import _arxml_files
    try:
        found = _arxml_files.survey(directory, recursive)
    except (OSError, TypeError):
        return None
    if found.arxml_files:
        return None
    hints = []
    if found.arxml_folders:
        hints.append(".arxml files in %s: add -r" % plural(found.arxml_folders, "sub-folder"))
    if found.other_suffixes:
        count = sum(found.other_suffixes.values())
        hints.append("%s ending %s: only .arxml is read" % (
            plural(count, "file"), " or ".join(sorted(found.other_suffixes))))
    if not hints:
        hints.append("the folder is empty" if not found.entries else
                     "it holds %s, none of them ending .arxml" % plural(found.entries, "entry", "entries"))
    where = "%s or under it" % directory if recursive else directory
    return "velvane: error: no .arxml file in %s; %s" % (where, "; ".join(hints))


def describe_failure(path, error):
    """One line for a file that failed: the file, where known its line and column, and the cause."""
    lineno = getattr(error, "lineno", None)
    colno = getattr(error, "colno", None)
    cause = getattr(error, "cause", None)
    if isinstance(lineno, int) and isinstance(colno, int) and cause:
        return "%s:%d:%d: error: %s" % (path, lineno, colno, cause)
    if isinstance(cause, str) and cause:
        return "%s: error: %s" % (path, cause)
    if isinstance(error, OSError) and error.strerror:
        return "%s: error: %s" % (path, error.strerror)
    message = str(error)
    kind = type(error).__name__
    return "%s: error: %s" % (path, "%s: %s" % (kind, message) if message else kind)


def traceback_text(error):
    """--debug: the Python traceback of `error` with its causes; a failure met inside the native
    modules, which has no Python frame, says so instead of showing an empty traceback."""
    text = "".join(traceback.format_exception(type(error), error, error.__traceback__))
    if error.__traceback__ is None:
        text = "Traceback: raised inside the native modules (no Python frames)\n" + text
    return text


# Characters that would break a message's one line or drive the terminal (a file's names and texts may
# hold any): shown escaped instead.
UNPRINTABLE = re.compile(u"[\x00-\x1f\x7f-\x9f\u2028\u2029]")


def one_line(text):
    return UNPRINTABLE.sub(lambda match: repr(match.group())[1:-1], text)


def write_cause(error, output):
    """Why the workbook could not be written: for the system's refusals their cause in words, and that
    the workbook already there was left alone."""
    if isinstance(error, OSError) and error.strerror:
        return "%s%s; %s is left as it was" % (error.strerror[:1].lower(), error.strerror[1:], output)
    return str(error)


def megabytes(size):
    return size / 1e6


class ProgressBar(object):
    """A one-line bar redrawn in place: files done / total, bar, MB/s and the file just handled."""

    redraw_interval = 0.1  # seconds between redraws, the last file always drawn

    def __init__(self, stream, clock=time.monotonic):
        self.stream = stream
        self.clock = clock
        self.started = clock()
        self.drawn_at = None
        self.size = 0
        self.showing = False

    def width(self):
        try:
            columns = os.get_terminal_size(self.stream.fileno()).columns
        except (AttributeError, OSError, ValueError):
            columns = 0
        return columns if columns >= 40 else 80

    def update(self, index, total, entry, size):
        self.size += size
        now = self.clock()
        if index < total and self.drawn_at is not None and now - self.drawn_at < self.redraw_interval:
            return
        self.drawn_at = now
        self.draw(self.line(index, total, entry, now - self.started))

    def line(self, index, total, entry, elapsed):
        rate = megabytes(self.size) / elapsed if elapsed > 0 else 0.0
        slots = 20
        filled = slots * index // total if total else slots
        text = "[%s%s] %d/%d %6.1f MB/s  " % ("#" * filled, "." * (slots - filled), index, total, rate)
        room = self.width() - 1 - len(text)
        if len(entry) > room:
            entry = "..." + entry[len(entry) - room + 3:] if room > 3 else ""
        return text + entry

    def draw(self, text):
        self.stream.write("\r" + text + "\x1b[K")
        self.stream.flush()
        self.showing = True

    def clear(self):
        if self.showing:
            self.stream.write("\r\x1b[K")
            self.stream.flush()
            self.showing = False


class ClearingStream(object):
    """Standard output that wipes the progress bar before it writes, when both share a terminal."""

    def __init__(self, stream, bar):
        self._stream = stream
        self._bar = bar

    def write(self, text):
        self._bar.clear()
        return self._stream.write(text)

    def __getattr__(self, name):
        return getattr(self._stream, name)


def stream_is_terminal(stream):
    try:
        return stream.isatty()
    except (AttributeError, ValueError):
        return False


# Why a signal has no type (Signal.reason), as the summary (for one signal, for several) and
# --verbose say it.
UNTYPED_REASONS = [
    ("interface-missing", "interface not in the files read", "interfaces not in the files read"),
    ("not-data-interface", "not a data interface (client-server, trigger, parameter, ...)",
     "not data interfaces (client-server, trigger, parameter, ...)"),
    ("no-data-type", "interface names no data element or type", "interfaces name no data element or type"),
    ("file-lookup", "not typed by its own file (--resolve file)", "not typed by their own files (--resolve file)"),
]


class SignalTally(object):
    """Counts the signals load reports and keeps the untyped ones."""

    def __init__(self):
        self.typed = 0
        self.untyped = []

    def __call__(self, signal):
        if signal.reason is None:
            self.typed += 1
        else:
            self.untyped.append(signal)

    def reason_line(self):
        """How many signals have no type, by reason; None when every signal has one."""
        if not self.untyped:
            return None
        counts = [(sum(1 for s in self.untyped if s.reason == code), one, several)
                  for code, one, several in UNTYPED_REASONS]
        return "velvane: %d signal%s without a data type: %s" % (
            len(self.untyped), "" if len(self.untyped) == 1 else "s",
            ", ".join(plural(count, one, several) for count, one, several in counts if count))

    def untyped_lines(self):
        texts = dict((code, text.split(" (")[0]) for code, text, _ in UNTYPED_REASONS)
        return ["velvane: untyped: %s: %s (%s): %s: %s" % (
            s.sheet, s.port, s.direction, texts.get(s.reason, s.reason), s.interface or "no interface reference")
            for s in self.untyped]


def command_load_options():
    """What the command asks of load beyond its options: files in the order of their names, so that
    the same folder gives the same workbook everywhere, and sheets ready to work with."""
    return {"sort": True, "working_view": True}


def summary_line(output, stats, seconds, typed=None):
    files = "%d file%s" % (stats["files"], "" if stats["files"] == 1 else "s")
    if stats["skipped"]:
        files += " (%d left out)" % stats["skipped"]
    signals = "%d input and %d output signals" % (stats["inputs"], stats["outputs"])
    if typed is not None:
        signals += " (%d typed)" % typed
    parts = [
        "%d sheet%s" % (stats["sheets"], "" if stats["sheets"] == 1 else "s"),
        signals,
        files,
        "read %.2f MB" % megabytes(stats["bytes"]),
        "%.2f s" % seconds,
    ]
    if stats.get("sources"):
        sources = "%d type-source file%s" % (stats["sources"], "" if stats["sources"] == 1 else "s")
        if stats.get("sources_skipped"):
            sources += " (%d left out)" % stats["sources_skipped"]
        parts.insert(3, sources)
    return "velvane: wrote %s: %s" % (shown(output), ", ".join(parts))


def plural(count, noun, nouns=None):
    return "%d %s" % (count, noun if count == 1 else (nouns or noun + "s"))


def connections_line(counts, verbose=False):
    line = "velvane: connections: %s, %s, %s, %s" % (
        plural(counts["connectors"], "connector"),
        plural(counts["unconnected_inputs"], "unconnected input"),
        plural(counts["unused_outputs"], "unused output"),
        plural(counts["untyped_prototypes"], "prototype whose type was not found",
               "prototypes whose type was not found"))
    if counts["untyped_prototypes"] and not verbose:
        line += " (-v lists them)"
    return line


def untyped_prototype_lines(counts):
    """--verbose: one line per component prototype whose type is not in the files read."""
    return ["velvane: type not found: %s" % name for name in counts.get("untyped_prototype_names", ())]


class Run(object):
    """One conversion, with its reporting on standard error."""

    def __init__(self, options, stderr, stops=None):
        self.options = options
        self.stderr = stderr
        self.stops = stops              # the signal handlers in force (Velvane._program.Stops), if any
        self.stats = {}
        self.bar = None
        self.truncation_warning = None  # the class, once the native modules are loaded
        self.other_warnings = None      # warnings.showwarning as it was before the run
        if not options.quiet and stream_is_terminal(stderr):
            self.bar = ProgressBar(stderr)

    def say(self, text):
        if self.bar is not None:
            self.bar.clear()
        self.stderr.write(one_line(text) + "\n")
        self.stderr.flush()

    def report_failure(self, entry, error):
        self.say(describe_failure(os.path.join(self.options.directory, entry), error))
        if self.options.debug:
            if self.bar is not None:
                self.bar.clear()
            self.stderr.write(traceback_text(error))

    def show_warning(self, message, category, filename, lineno, file=None, line=None):
        """Warnings about cut texts and rows left out become `velvane: warning:` lines."""
        if issubclass(category, self.truncation_warning):
            self.say("velvane: warning: %s" % message)
        else:
            self.other_warnings(message, category, filename, lineno, file, line)

    def load(self, loader, stats, tally):
        from Velvane import _output_path
        with warnings.catch_warnings(), _output_path.advice_naming("-o"):
            warnings.simplefilter("always", self.truncation_warning)
            self.other_warnings = warnings.showwarning
            warnings.showwarning = self.show_warning
            return self.load_reporting(loader, stats, tally)

    def load_reporting(self, loader, stats, tally):
        kwargs = {"output": self.options.output, "_stats": stats, "resolve": self.options.resolve,
                  "on_error": "skip" if self.options.keep_going else "raise",
                  "recursive": self.options.recursive, "type_sources": self.options.types_from,
                  "signals": tally}
        if self.options.connections:
            kwargs["connections"] = True
        if self.options.details:
            kwargs["details"] = True
        kwargs.update(command_load_options())
        if self.bar is None:
            return loader.load(self.options.directory, **kwargs)
        kwargs["progress"] = self.bar.update
        self.bar.started = self.bar.clock()
        saved = sys.stdout
        if stream_is_terminal(saved):
            sys.stdout = ClearingStream(saved, self.bar)
        try:
            return loader.load(self.options.directory, **kwargs)
        finally:
            sys.stdout = saved
            self.bar.clear()

    def report_error(self, text, error):
        self.say("velvane: error: %s" % text)
        if self.options.debug:
            self.stderr.write(traceback_text(error))

    def import_modules(self):
        # the native modules only when there is work to do; a signal meanwhile waits for the import's end
        if self.stops is None:
            from Velvane.Tessaly import Tessaly, TruncationWarning
            return Tessaly, TruncationWarning
        with self.stops.hold():
            from Velvane.Tessaly import Tessaly, TruncationWarning
        return Tessaly, TruncationWarning

    def execute(self):
        try:
            Tessaly, TruncationWarning = self.import_modules()
        except ImportError as error:
            self.report_error("cannot load the signal-list modules: %s" % error, error)
            return EXIT_FAILED
        self.truncation_warning = TruncationWarning
        stats = self.stats
        tally = SignalTally()
        started = time.monotonic()
        try:
            skipped = self.load(Tessaly(), stats, tally)
        except Exception as error:  # noqa: BLE001 - every failure becomes a message and a status
            self.report_stop(stats, error)
            return EXIT_FAILED
        for entry, failure in skipped or ():
            self.report_failure(entry, failure)
        if not self.options.quiet and not stats["total"]:
            self.say("velvane: warning: no .arxml files in %s; the workbook has no signal sheet"
                     % self.options.directory)
        if self.options.verbose:
            for line in tally.untyped_lines():
                self.say(line)
        if not self.options.quiet:
            self.say(summary_line(self.options.output, stats, time.monotonic() - started, tally.typed))
            if tally.reason_line():
                self.say(tally.reason_line() + ("" if self.options.verbose else " (-v lists them)"))
            if "connections" in stats:
                if self.options.verbose:
                    for line in untyped_prototype_lines(stats["connections"]):
                        self.say(line)
                self.say(connections_line(stats["connections"], self.options.verbose))
        return EXIT_FAILED if skipped else EXIT_OK

    def report_stop(self, stats, error):
        """A failure that ended the run: one file's (stats names it), or the listing's or the writing's."""
        entry = stats.get("entry")
        if entry is not None:
            self.report_failure(entry, error)
            if not self.options.quiet:
                self.say("velvane: stopped at the first failing file; nothing written to %s "
                         "(--keep-going leaves failing files out instead)" % shown(self.options.output))
        elif names_output(error, self.options.output):
            self.report_error(str(error), error)  # load's own sentence about the output
        elif not stats.get("output_ready", True):
            self.report_error("cannot write %s: %s" % (shown(self.options.output), error), error)
        elif "total" not in stats:
            self.report_error("cannot read %s: %s" % (self.options.directory, error), error)
        else:
            self.report_error("cannot write %s: %s" % (shown(self.options.output),
                                                        write_cause(error, shown(self.options.output))), error)


def names_output(error, output):
    """Whether `error` is load's sentence about the output: an OSError whose text opens with it."""
    return isinstance(error, OSError) and str(error).startswith(shown(output) + ": ")


def check_before_reading(options):
    """What the command says before it reads anything: a warning for an output name Excel does not
    open, and an error (exit status 1, nothing written) for a folder with no .arxml file to read.
    Returns the exit status when the command ends here, else None."""
    warning = output_name_warning(options.output)
    if warning:
        sys.stderr.write(warning + "\n")
    empty = nothing_to_read(options.directory, options.recursive)
    if empty is None:
        return None
    sys.stderr.write("%s; nothing written to %s\n" % (empty, shown(options.output)))
    return EXIT_FAILED


def main(argv=None):
    """Runs the command with `argv` (default: sys.argv[1:]) and returns the exit status; the
    installed ``velvane`` script and ``python -m Velvane`` exit with it. SIGINT, SIGTERM and SIGHUP
    stop the run with one line and the exit status 128 + the signal's number (Velvane._program)."""
    stops = _program.Stops.installed
    owned = stops is None
    if owned:
        stops = _program.Stops().install()
    state = {}
    try:
        status = command(argv, stops, state)
        if stops.received is not None:  # a signal whose exception something on the way let fall
            raise _program.Interrupted(stops.received)
        return status
    except KeyboardInterrupt as stopped:
        stops.raised = True  # a signal that follows is passed over while this one is reported
        return report_interrupt(stopped, state)
    finally:
        if owned:
            stops.restore()


def command(argv, stops, state):
    argv = sys.argv[1:] if argv is None else list(argv)
    if argv and argv[0] in SUBCOMMANDS:
        return importlib.import_module(SUBCOMMANDS[argv[0]][0]).main(argv[1:])
    parser = build_parser()
    options = parser.parse_args(argv)
    try:
        check_directory(options.directory)
        check_type_sources(options.types_from, options.resolve)
        check_output(options.output)
    except UsageError as problem:
        parser.print_usage(sys.stderr)
        sys.stderr.write("velvane: error: %s\n" % one_line(str(problem)))
        return EXIT_USAGE
    except CannotStart as problem:
        sys.stderr.write("velvane: error: %s\n" % one_line(str(problem)))
        return EXIT_USAGE
    status = check_before_reading(options)
    if status is not None:
        return status
    state["run"] = run = Run(options, sys.stderr, stops)
    return run.execute()


def interrupted_status(stopped):
    """The signal that stopped a run, by name, and the exit status it gives: 128 + its number."""
    signum = getattr(stopped, "signum", None) or EXIT_INTERRUPTED - 128  # a KeyboardInterrupt of Python's own
    return _program.signal_name(signum), 128 + signum


def report_interrupt(stopped, state):
    """The one line for a run stopped by a signal, and its exit status: 128 + the signal's number."""
    name, status = interrupted_status(stopped)
    run = state.get("run")
    if run is None:
        text = "velvane: interrupted by %s; nothing written" % name
    elif run.stats.get("written"):
        text = "velvane: interrupted by %s after writing %s" % (name, run.options.output)
    else:
        text = "velvane: interrupted by %s; nothing written to %s" % (name, run.options.output)
    try:
        if run is not None:
            run.say(text)
            if run.options.debug:
                traceback.print_exception(type(stopped), stopped, stopped.__traceback__, file=run.stderr)
        else:
            sys.stderr.write(one_line(text) + "\n")
            sys.stderr.flush()
    except (OSError, ValueError):  # no terminal any more (SIGHUP), or a closed standard error
        pass
    return status

