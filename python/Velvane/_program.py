"""The start of the ``velvane`` program (the installed script and ``python -m Velvane``), and how it
takes the signals that stop it.

SIGINT, SIGTERM and SIGHUP each stop a run as Ctrl-C does: the exception ``Interrupted`` is raised in
the main thread, the workbook being written is dropped (its temporary file removed), the workbook
already there is left as it was, and the command says so in one line and exits with 128 + the
signal's number. A signal that comes while the native modules are imported is held until the import
is over, so that it cannot leave them half set up; a signal that comes once the run is stopping is
noted and passed over. The handlers are installed here before anything else of the command is
imported, so that an interrupt during start-up gives the same line.
"""
import sys

try:
    # The functions of the signal module without the enumerations it builds on import, which take
    # longer to make than the rest of the start: installing the handlers comes first.
    import _signal as signal
except ImportError:  # pragma: no cover - an interpreter without it
    import signal

STOPPING_SIGNALS = [getattr(signal, name) for name in ("SIGINT", "SIGTERM", "SIGHUP") if hasattr(signal, name)]


class Interrupted(KeyboardInterrupt):
    """The run was stopped by the signal ``signum``."""

    def __init__(self, signum):
        KeyboardInterrupt.__init__(self, signum)
        self.signum = signum


def signal_name(signum):
    import signal as signals
    try:
        return signals.Signals(signum).name
    except ValueError:
        return "signal %d" % signum


class Stops(object):
    """The handlers of the stopping signals while installed (install() ... restore())."""

    installed = None  # the Stops in force, if any

    def __init__(self):
        self.received = None   # the first signal that came
        self.raised = False    # Interrupted was raised for it
        self.holding = 0       # within hold(): a signal is only noted
        self.previous = {}

    def install(self):
        for signum in STOPPING_SIGNALS:
            try:
                self.previous[signum] = signal.signal(signum, self.handle)
            except (ValueError, OSError, RuntimeError):  # not the main thread, or not settable here
                pass
        if self.previous:
            Stops.installed = self
        return self

    def restore(self):
        for signum, handler in self.previous.items():
            try:
                signal.signal(signum, handler)
            except (ValueError, OSError, RuntimeError, TypeError):
                pass
        self.previous = {}
        if Stops.installed is self:
            Stops.installed = None

    def handle(self, signum, frame):
        if self.received is None:
            self.received = signum
        if self.raised or self.holding:
            return
        self.raised = True
        raise Interrupted(self.received)

    def hold(self):
        """A context in which a signal is only noted; Interrupted is raised when it ends."""
        return _Holding(self)


class _Holding(object):
    def __init__(self, stops):
        self.stops = stops

    def __enter__(self):
        self.stops.holding += 1

    def __exit__(self, kind, value, trace):
        stops = self.stops
        stops.holding -= 1
        if stops.holding == 0 and stops.received is not None and not stops.raised:
            stops.raised = True
            raise Interrupted(stops.received)
        return False


def main():
    """The ``velvane`` program: runs the command with ``sys.argv[1:]`` and returns its exit status."""
    stops = Stops().install()
    try:
        try:
            from Velvane.cli import main as command
        except KeyboardInterrupt as stopped:
            signum = getattr(stopped, "signum", None) or signal.SIGINT
            stops.raised = True
            try:
                sys.stderr.write("velvane: interrupted by %s while starting; nothing written\n" % signal_name(signum))
                sys.stderr.flush()
            except (OSError, ValueError):
                pass
            return 128 + signum
        return command()
    finally:
        stops.restore()
