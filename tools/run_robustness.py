#!/usr/bin/env python3
"""Mutated real documents through `Tessaly.load`, `Pellinor.readArxml` and the `velvane` command, for
a bounded time. Fails on a crash, a hang, a traceback, an exit status the README does not name, a
temporary file left beside the workbook, or a message that is not `path[:line:column]: error:
<sentence>` (for the API: an exception whose text reads like a Python internal).

    python tools/run_robustness.py [--seconds 60] [--seed N] [--keep DIR]

Run it with a Python whose path has the Velvane package (installed, or PYTHONPATH=build/dev-3.13/python).
The documents are examples/ and, when present, ../shared/arxml. Every round writes a folder of a dozen
mutated copies (each with one to three kinds of damage: truncation, elements removed, duplicated,
repeated or nested deep, names and references emptied or bent, bad bytes, huge texts, other
encodings, ...), runs the command over it with a random choice of options and `load` and
`readArxml` in a child process, and checks what they did. A failing round's folder is kept under
--keep (default build/robustness) with a note of what failed; the seed printed at the start repeats
the run.
"""
import argparse
import json
import os
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
SOURCES = [os.path.join(REPO, "examples"), os.path.normpath(os.path.join(REPO, "..", "shared", "arxml"))]
CHILD_SECONDS = 120       # a run taking longer than this is a hang
CHILD_MEMORY = 2 << 30    # address space of each child
MOST_BYTES = 24 << 20     # the largest mutated document: damage that would go beyond is not done

# Texts that only Python internals write: a message holding one is not a sentence about the file.
INTERNAL = re.compile(
    r"Traceback|\b[A-Z]\w*(Error|Exception|Interrupt)\b(:|$)|NoneType|object has no attribute|"
    r"must be (str|True)|expected str instance|index out of range|not subscriptable|unhashable|"
    r"positional argument|codec can't|object at 0x|not callable|unsupported operand|"
    r"has no len|cannot unpack|not iterable|initialization failed|\bNone\b$")
FILE_LINE = re.compile(r"^(?P<path>.*?)(?P<where>:\d+:\d+)?: error: (?P<cause>.+)$")
COMMAND_LINES = re.compile(
    r"^velvane: (wrote |warning: |connections: |untyped: |type not found: |\d+ signals? without a data type: |"
    r"stopped at the first failing file; )")
RUN_ERROR = re.compile(r"^velvane: error: (?P<cause>.+)$")


def is_sentence(text):
    return bool(text) and len(text.split()) >= 2 and not INTERNAL.search(text)


# -- the documents --

def documents():
    found = []
    for folder in SOURCES:
        for root, _, names in os.walk(folder):
            for name in sorted(names):
                if name.endswith(".arxml"):
                    with open(os.path.join(root, name), "rb") as handle:
                        found.append(handle.read())
    return found


TAG = re.compile(rb"<(/?)([A-Za-z][A-Za-z0-9_:.-]*)[^<>]*?(/?)>")


def elements(text):
    """(start, end, tag, inner start, inner end) of the elements of a text, as far as it nests."""
    spans, open_tags = [], []
    for match in TAG.finditer(text):
        closing, name, empty = match.group(1), match.group(2), match.group(3)
        if empty:
            spans.append((match.start(), match.end(), name, match.end(), match.end()))
        elif not closing:
            open_tags.append((name, match.start(), match.end()))
        else:
            while open_tags and open_tags[-1][0] != name:
                open_tags.pop()
            if open_tags:
                _, start, inner = open_tags.pop()
                spans.append((start, match.end(), name, inner, match.start()))
    return spans


def pick(rng, text, pattern=None):
    spans = [s for s in elements(text) if pattern is None or re.search(pattern, s[2])]
    return rng.choice(spans) if spans else None


def leaf(rng, text, pattern=rb"."):
    spans = [s for s in elements(text) if re.search(pattern, s[2]) and b"<" not in text[s[3]:s[4]]]
    return rng.choice(spans) if spans else None


# -- the kinds of damage: each takes (rng, text) and returns the damaged text --

def truncated(rng, text):
    return text[:rng.randrange(len(text) + 1)]


def removed(rng, text):
    span = pick(rng, text)
    return text[:span[0]] + text[span[1]:] if span else text


def duplicated(rng, text):
    span = pick(rng, text)
    return text[:span[1]] + text[span[0]:span[1]] + text[span[1]:] if span else text


def repeated(rng, text):
    span = pick(rng, text, rb"PROTOTYPE|SCALE|DATA-TYPE$|INTERFACE$|MAP$|ELEMENT$|CONNECTOR|AR-PACKAGE$")
    if not span:
        return text
    times = min(rng.choice([10, 300, 3000]), MOST_BYTES // max(1, span[1] - span[0]))
    return text[:span[1]] + text[span[0]:span[1]] * times + text[span[1]:]


def nested_deep(rng, text):
    span = pick(rng, text)
    if not span:
        return text
    depth = rng.choice([5, 200, 999, 1200, 20000])
    tag = rng.choice([span[2], b"AR-PACKAGES", b"X", b"RECORD-VALUE-SPECIFICATION"])
    return (text[:span[0]] + b"<%s>" % tag * depth + text[span[0]:span[1]] + b"</%s>" % tag * depth +
            text[span[1]:])


def emptied(rng, text):
    span = leaf(rng, text, rng.choice([rb"SHORT-NAME", rb"REF$", rb"VT|CATEGORY|ARRAY-SIZE|VALUE", rb"."]))
    return text[:span[3]] + text[span[4]:] if span else text


def unnamed(rng, text):
    span = pick(rng, text, rb"^SHORT-NAME$")
    return text[:span[0]] + text[span[1]:] if span else text


def bent_reference(rng, text):
    span = leaf(rng, text, rb"REF$")
    if not span:
        return text
    value = rng.choice([b"x", b"/", b"//", b"/a/../b", b" ", b"/" * 300, b"../Up", b"/AUTOSAR/" + b"A/" * 200,
                        text[span[3]:span[4]] + b"/more", b"\xef\xbf\xbd"])
    return text[:span[3]] + value + text[span[4]:]


def looped_reference(rng, text):
    """A type or constant reference that names itself, or a sibling."""
    span = leaf(rng, text, rb"TYPE-TREF|TYPE-REF|CONSTANT-REF|IMPLEMENTATION-DATA-TYPE-REF")
    names = re.findall(rb"<SHORT-NAME>([^<]+)</SHORT-NAME>", text)
    if not span or not names:
        return text
    target = text[span[3]:span[4]].rsplit(b"/", 1)[0] + b"/" + rng.choice(names)
    return text[:span[3]] + target + text[span[4]:]


def bad_bytes(rng, text):
    at = rng.randrange(len(text) + 1)
    junk = rng.choice([b"\xff\xfe", b"\x00", b"\xc3\x28", b"\xed\xa0\x80", b"&#0;", b"&#xD800;", b"&undefined;",
                       b"<", b"]]>", b"\x1b[31m", bytes(bytearray(rng.getrandbits(8) for _ in range(16)))])
    return text[:at] + junk + text[at:]


def huge_text(rng, text):
    span = leaf(rng, text, rng.choice([rb"SHORT-NAME", rb"VT", rb"L-2|L-4", rb"REF$", rb"."]))
    if not span:
        return text
    size = rng.choice([40000, 300000, 3000000])
    return text[:span[3]] + rng.choice([b"x", b"\xe4\xb8\xad", b"\xf0\x9f\x98\x80", b"a "]) * size + text[span[4]:]


def renamed_tag(rng, text):
    span = pick(rng, text)
    if not span:
        return text
    other = rng.choice([b"AR-PACKAGE", b"ELEMENTS", b"SHORT-NAME", b"R-PORT-PROTOTYPE", b"P-PORT-PROTOTYPE",
                        b"VARIABLE-DATA-PROTOTYPE", b"IMPLEMENTATION-DATA-TYPE", b"COMPU-METHOD", b"ZZZ"])
    inner = text[span[3]:span[4]]
    return text[:span[0]] + b"<" + other + b">" + inner + b"</" + other + b">" + text[span[1]:]


def recategorised(rng, text):
    span = leaf(rng, text, rb"^CATEGORY$")
    if not span:
        return text
    value = rng.choice([b"VALUE", b"ARRAY", b"STRUCTURE", b"TYPE_REFERENCE", b"TEXTTABLE", b"LINEAR", b"", b"??"])
    return text[:span[3]] + value + text[span[4]:]


def odd_numbers(rng, text):
    span = leaf(rng, text, rb"ARRAY-SIZE|^V$|VALUE|LIMIT|TIMEOUT|QUEUE-LENGTH")
    if not span:
        return text
    value = rng.choice([b"-1", b"0", b"99999999999999999999999", b"1e400", b"nan", b"0x10", b"", b"1,5"])
    return text[:span[3]] + value + text[span[4]:]


def other_encoding(rng, text):
    choice = rng.randrange(5)
    body = re.sub(rb"^<\?xml[^>]*\?>", b"", text, count=1)
    if choice == 0:
        return (u'<?xml version="1.0" encoding="UTF-16"?>'.encode("utf-16") +
                body.decode("utf-8", "replace").encode("utf-16")[2:])
    if choice == 1:
        return b'<?xml version="1.0" encoding="ISO-8859-1"?>' + body.replace(b"_", b"\xe9", 3)
    if choice == 2:
        return b'<?xml version="1.0" encoding="Shift_JIS"?>' + body
    if choice == 3:
        return b"\xef\xbb\xbf" + text
    return body.decode("utf-8", "replace").encode("utf-32")


def prologue(rng, text):
    extra = rng.choice([
        b'<!DOCTYPE AUTOSAR [<!ENTITY a "aaaaaaaaaa"><!ENTITY b "&a;&a;&a;&a;">]>',
        b'<!DOCTYPE AUTOSAR SYSTEM "file:///etc/passwd">',
        b"<!-- a comment -->", b"<?pi data?>", b"   \n\n"])
    at = text.find(b"?>")
    at = at + 2 if at >= 0 else 0
    return text[:at] + extra + text[at:]


def other_root(rng, text):
    choice = rng.randrange(4)
    if choice == 0:
        return re.sub(rb'xmlns="[^"]*"', b'xmlns="http://autosar.org/3.2.1"', text, count=1).replace(
            b"AR-PACKAGES>", b"TOP-LEVEL-PACKAGES>")
    if choice == 1:
        span = pick(rng, text, rb"^AR-PACKAGES$")
        return text[:span[0]] + text[span[1]:] if span else text
    if choice == 2:
        return text.replace(b"<AUTOSAR", b"<AUTOSAR-X", 1).replace(b"</AUTOSAR>", b"</AUTOSAR-X>")
    return rng.choice([b"", b"   ", b"<AUTOSAR/>", b"<AUTOSAR><AR-PACKAGES/></AUTOSAR>", b"plain text"])


def markup_in_text(rng, text):
    span = leaf(rng, text, rb"SHORT-NAME|VT|REF$|L-\d")
    if not span:
        return text
    inner = text[span[3]:span[4]]
    middle = len(inner) // 2
    piece = rng.choice([b"<![CDATA[x]]>", b"<!-- c -->", b"<?p?>", b"<B>bold</B>", b"&amp;&lt;", b"\n  \t"])
    return text[:span[3]] + inner[:middle] + piece + inner[middle:] + text[span[4]:]


def swapped(rng, text):
    spans = elements(text)
    if len(spans) < 2:
        return text
    a, b = sorted(rng.sample(spans, 2))
    if a[1] > b[0]:  # one holds the other
        return text
    return text[:a[0]] + text[b[0]:b[1]] + text[a[1]:b[0]] + text[a[0]:a[1]] + text[b[1]:]


DAMAGE = [truncated, removed, duplicated, repeated, nested_deep, emptied, unnamed, bent_reference,
          looped_reference, bad_bytes, huge_text, renamed_tag, recategorised, odd_numbers, other_encoding,
          prologue, other_root, markup_in_text, swapped]

NAMES = ["Model%d.arxml", "Door_Model%d.arxml", "n\u00e4me %d.arxml", "TPMS_%d.arxml", "x%d.arxml",
         "\u4e2d%d.arxml", "Sheet[%d].arxml"]


def damaged(rng, text):
    kinds = [rng.choice(DAMAGE) for _ in range(rng.choice([1, 1, 2, 3]))]
    done = []
    for kind in kinds:
        if len(text) > MOST_BYTES // 2:
            break
        text = kind(rng, text)
        done.append(kind.__name__)
    return text, done


def write_round(rng, folder, originals):
    made = {}
    for index in range(rng.randint(6, 14)):
        text, kinds = damaged(rng, rng.choice(originals))
        name = rng.choice(NAMES) % index
        with open(os.path.join(folder, name), "wb") as handle:
            handle.write(text)
        made[name] = kinds
    if rng.random() < 0.3:
        made["good.arxml"] = []
        with open(os.path.join(folder, "good.arxml"), "wb") as handle:
            handle.write(rng.choice(originals))
    if rng.random() < 0.1:
        os.mkdir(os.path.join(folder, "Folder.arxml"))
        made["Folder.arxml"] = ["directory"]
    return made


# -- the runs --

def limited():
    resource.setrlimit(resource.RLIMIT_AS, (CHILD_MEMORY, CHILD_MEMORY))


def run(command, cwd=None):
    try:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=CHILD_SECONDS,
                              preexec_fn=limited, cwd=cwd)
    except subprocess.TimeoutExpired:
        return None, "", "hang: no end after %d s" % CHILD_SECONDS
    return done.returncode, done.stdout.decode("utf-8", "replace"), done.stderr.decode("utf-8", "replace")


def command_problems(folder, output, rng):
    """Runs the command over `folder`; the problems with what it did."""
    options = ["-k", "--details", "--connections"]
    if rng.random() < 0.25:
        options.remove("-k")
    if rng.random() < 0.25:
        options += ["--resolve", "file"]
    if rng.random() < 0.2:
        options.append("-v")
    status, _, errors = run([sys.executable, "-m", "Velvane", folder, "-o", output] + options)
    problems = []
    if status is None:
        return [errors]
    if status not in (0, 1):
        problems.append("exit status %s" % status)
    failures = 0
    for line in errors.splitlines():
        located = FILE_LINE.match(line)
        if located and located.group("path").startswith(folder):
            failures += 1
            if not is_sentence(located.group("cause")):
                problems.append("not a sentence: %s" % line)
        elif RUN_ERROR.match(line):
            failures += 1
            if not is_sentence(RUN_ERROR.match(line).group("cause")):
                problems.append("not a sentence: %s" % line)
        elif not COMMAND_LINES.match(line):
            problems.append("unexpected line: %s" % line[:300])
    if "Traceback" in errors:
        problems.append("a traceback")
    if (status == 1) != (failures > 0):
        problems.append("exit status %s with %d failure lines" % (status, failures))
    left = sorted(os.listdir(os.path.dirname(output)))
    if left not in ([], [os.path.basename(output)]):
        problems.append("left beside the workbook: %s" % left)
    if status == 0 or ("-k" in options and status == 1 and "velvane: wrote" in errors):
        try:
            with zipfile.ZipFile(output) as book:
                book.testzip()
        except (OSError, zipfile.BadZipFile) as error:
            problems.append("no readable workbook: %s" % error)
    return problems


CHILD = r"""
import json, os, sys, warnings
warnings.simplefilter("ignore")
from Velvane.Tessaly import Tessaly
from Velvane.Pellinor import Pellinor
import Velvane.Tessaly as tessaly
folder, output, resolve = sys.argv[1:4]
said = []
def note(where, error):
    said.append({"where": where, "kind": type(error).__name__, "text": str(error),
                 "cause": getattr(error, "cause", None), "base": [c.__name__ for c in type(error).__mro__]})
try:
    skipped = Tessaly().load(folder, output=output, on_error="skip", resolve=resolve, details=True,
                             connections=True)
    for entry, error in skipped:
        note(entry, error)
except Exception as error:
    note("load", error)
keys = [getattr(tessaly, "table%dList" % i) for i in range(1, 10)]
for name in sorted(os.listdir(folder)):
    if name.endswith(".arxml"):
        try:
            Pellinor().readArxml(os.path.join(folder, name), keys)
        except Exception as error:
            note("readArxml " + name, error)
print(json.dumps(said))
"""


def api_problems(folder, output, rng):
    """Runs load and readArxml over `folder` in a child; the problems with the exceptions they raised."""
    resolve = rng.choice(["file", "project"])
    status, out, errors = run([sys.executable, "-c", CHILD, folder, output, resolve])
    if status is None:
        return [errors]
    if status != 0:
        return ["the API child ended with status %s: %s" % (status, errors.strip()[-600:])]
    problems = []
    left = sorted(os.listdir(os.path.dirname(output)))
    if left not in ([], [os.path.basename(output)]):
        problems.append("load left beside the workbook: %s" % left)
    for said in json.loads(out.strip().splitlines()[-1]):
        text = said["cause"] or said["text"]
        if not is_sentence(text) and "OSError" not in said["base"]:
            problems.append("%s: %s: %s" % (said["where"], said["kind"], said["text"][:300]))
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--seed", type=int, default=None)
    parser.add_argument("--keep", default=os.path.join(REPO, "build", "robustness"))
    options = parser.parse_args()
    seed = options.seed if options.seed is not None else random.randrange(1 << 30)
    rng = random.Random(seed)
    originals = documents()
    print("== robustness: mutated documents through load, readArxml and the command for %.0f s (seed %d)"
          % (options.seconds, seed))
    sys.stdout.flush()
    deadline = time.monotonic() + options.seconds
    rounds = files = 0
    failed = []
    scratch = tempfile.mkdtemp(prefix="velvane-robustness-")
    try:
        while time.monotonic() < deadline:
            folder = os.path.join(scratch, "round%d" % rounds)
            out_folder = os.path.join(scratch, "out%d" % rounds)
            os.mkdir(folder)
            os.mkdir(out_folder)
            made = write_round(rng, folder, originals)
            files += len(made)
            output = os.path.join(out_folder, "SignalList.xlsx")
            api_folder = os.path.join(scratch, "api%d" % rounds)
            os.mkdir(api_folder)
            problems = command_problems(folder, output, rng) + api_problems(
                folder, os.path.join(api_folder, "SignalList.xlsx"), rng)
            if problems:
                kept = os.path.join(options.keep, "seed%d-round%d" % (seed, rounds))
                shutil.rmtree(kept, ignore_errors=True)
                shutil.copytree(folder, kept)
                with open(os.path.join(kept, "PROBLEMS.txt"), "w") as note:
                    note.write("\n".join(problems) + "\n\ndamage: %s\n" % json.dumps(made))
                failed.append((kept, problems))
                print("!! round %d: %s (kept in %s)" % (rounds, problems[0], kept))
                sys.stdout.flush()
            for done in (folder, out_folder, api_folder):
                shutil.rmtree(done)
            rounds += 1
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    print("== robustness: %d rounds, %d files, %d failing rounds" % (rounds, files, len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
