"""``velvane generate``: component ARXML files from a signal-list workbook.

    velvane generate WORKBOOK -o DIR [-k] [-q] [--debug]

Writes DIR/<sheet>.arxml for every signal sheet of WORKBOOK and DIR/Shared/PortInterfaces.arxml and
DIR/Shared/DataTypes.arxml (see docs/generate.md). Exit status: 0 every signal sheet was written;
1 a sheet has bad input (without -k nothing is written; with -k the sheet is left out and the others
are written) or a file could not be written; 2 a usage error: WORKBOOK is missing or is not a
workbook, DIR is not a folder or cannot be made.
"""
import argparse
import os
import sys
import time
import traceback
import warnings

from Velvane.cli import EXIT_FAILED, EXIT_OK, EXIT_USAGE, CannotStart, UsageError, plural


def build_parser():
    parser = argparse.ArgumentParser(
        prog="velvane generate",
        description="Write component ARXML files from the signal sheets of a signal-list workbook: "
                    "DIR/<sheet>.arxml per signal sheet, and the port interfaces and data types they "
                    "use in DIR/Shared.",
        epilog="Exit status: 0 success, 1 a sheet has bad input or a file could not be written, "
               "2 usage error (also: WORKBOOK is not a workbook).")
    parser.add_argument("workbook", metavar="WORKBOOK", help="the signal-list workbook (.xlsx)")
    parser.add_argument("-o", "--output", metavar="DIR", required=True,
                        help="folder to write into, made if missing; files of the same names are replaced, "
                             "others left alone")
    parser.add_argument("-k", "--keep-going", action="store_true",
                        help="leave out sheets with bad input and write the others (the exit status is still 1)")
    parser.add_argument("-q", "--quiet", action="store_true",
                        help="no summary; bad sheets and warnings are still reported")
    parser.add_argument("--debug", action="store_true", help="show the Python traceback of each failure")
    return parser


def check_workbook(path):
    if not os.path.exists(path):
        raise CannotStart("%s: no such file" % path)
    if not os.path.isfile(path):
        raise CannotStart("%s: not a file" % path)
    if not os.access(path, os.R_OK):
        raise CannotStart("%s: not readable" % path)


def check_output(folder):
    """DIR must be a folder, or a path whose nearest existing ancestor is a writable folder."""
    if not folder:
        raise UsageError("the output folder is empty")
    if os.path.exists(folder) and not os.path.isdir(folder):
        raise CannotStart("%s: not a folder" % folder)
    existing = os.path.abspath(folder)
    while not os.path.exists(existing):
        existing = os.path.dirname(existing)
    if not os.path.isdir(existing):
        raise CannotStart("%s: %s is not a folder" % (folder, existing))
    if not os.access(existing, os.W_OK | os.X_OK):
        raise CannotStart("%s: %s is not writable" % (folder, existing))


class Generation(object):
    """One run, with its reporting on standard error."""

    def __init__(self, options, stderr):
        self.options = options
        self.stderr = stderr
        self.left_out = 0
        self.warning_class = None
        self.other_warnings = None

    def say(self, text):
        self.stderr.write(text + "\n")
        self.stderr.flush()

    def show_debug(self, error):
        if self.options.debug:
            traceback.print_exception(type(error), error, error.__traceback__, file=self.stderr)

    def bad_sheet_line(self, error):
        return "%s: %s: error: %s" % (self.options.workbook, str(error)[:-len(error.cause) - 2], error.cause)

    def show_warning(self, message, category, filename, lineno, file=None, line=None):
        if not issubclass(category, self.warning_class):
            self.other_warnings(message, category, filename, lineno, file, line)
        elif getattr(message, "error", None) is not None:
            self.left_out += 1
            self.say(self.bad_sheet_line(message.error))
        else:
            self.say("velvane: warning: %s: %s" % (self.options.workbook, message))

    def execute(self):
        try:
            from Velvane.Tessaly import GenerateWarning, SignalListError, WorkbookError, generate
        except ImportError as error:
            self.say("velvane: error: cannot load the signal-list modules: %s" % error)
            return EXIT_FAILED
        self.warning_class = GenerateWarning
        options = self.options
        started = time.monotonic()
        try:
            with warnings.catch_warnings():
                warnings.simplefilter("always", GenerateWarning)
                self.other_warnings = warnings.showwarning
                warnings.showwarning = self.show_warning
                paths = generate(options.workbook, options.output,
                                 on_error="skip" if options.keep_going else "raise")
        except WorkbookError as error:
            raise CannotStart(str(error))
        except SignalListError as error:
            self.say(self.bad_sheet_line(error))
            self.show_debug(error)
            if not options.quiet:
                self.say("velvane: stopped at the first bad sheet; nothing written to %s "
                         "(--keep-going leaves bad sheets out instead)" % options.output)
            return EXIT_FAILED
        except OSError as error:
            self.say("velvane: error: cannot write %s: %s" % (options.output, error))
            self.show_debug(error)
            return EXIT_FAILED
        components = len(paths) - 2 if paths else 0
        if not paths and not options.quiet:
            self.say("velvane: warning: %s: no signal sheet to generate from; nothing written"
                     % options.workbook)
        elif not options.quiet:
            left_out = " (%s left out)" % plural(self.left_out, "sheet") if self.left_out else ""
            self.say("velvane: wrote %s to %s: %s%s and the shared port interfaces and data types, %.2f s"
                     % (plural(len(paths), "file"), options.output, plural(components, "component"), left_out,
                        time.monotonic() - started))
        return EXIT_FAILED if self.left_out else EXIT_OK


def main(argv):
    parser = build_parser()
    options = parser.parse_args(argv)
    try:
        check_workbook(options.workbook)
        check_output(options.output)
        # A signal that stops the run is reported by the command's main (cli.main), as for any subcommand.
        return Generation(options, sys.stderr).execute()
    except UsageError as problem:
        parser.print_usage(sys.stderr)
        sys.stderr.write("velvane: error: %s\n" % problem)
        return EXIT_USAGE
    except CannotStart as problem:
        sys.stderr.write("velvane: error: %s\n" % problem)
        return EXIT_USAGE
