"""What a test expects of a run's boxes, and the failures that say what came."""

import inspect
import itertools
import os

from messages import DEFAULT_CAPTION

# unittest leaves the frames of modules with this flag out of its tracebacks,
# so a failure points at the test's own line.
__unittest = True

UNSET = object()


class Box:
    """What a test expects of one box; fields left out are not compared."""

    FIELDS = ("caption", "text", "icon", "buttons", "default")

    def __init__(self, caption=UNSET, text=UNSET, icon=UNSET, buttons=UNSET, default=UNSET):
        self.expected = {name: value for name, value in zip(
            self.FIELDS, (caption, text, icon, buttons, default)) if value is not UNSET}

    def __repr__(self):
        return "Box(" + ", ".join(f"{k}={v!r}" for k, v in self.expected.items()) + ")"


def error_box(text, caption=DEFAULT_CAPTION):
    """The box every failure report shows."""
    return Box(caption=caption, text=text, icon="error", buttons=["OK"], default="OK")


class Result:
    """What the box driver saw of one run."""

    def __init__(self, data, log):
        self.data = data
        self.log = log
        self.started = data["started"]
        self.exit_code = data["exit_code"]
        self.timed_out = data["timed_out"]
        self.too_many_boxes = data["too_many_boxes"]
        self.boxes = data["boxes"]
        self.clipboard = data["clipboard"]

    def describe(self):
        lines = [f"started={self.started} exit_code={self.exit_code} "
                 f"timed_out={self.timed_out} clipboard={self.clipboard!r}"]
        if not self.boxes:
            lines.append("no boxes")
        for number, box in enumerate(self.boxes, 1):
            lines.append(f"box {number}: caption={box['caption']!r} text={box['text']!r}")
            lines.append(f"       icon={box['icon']} buttons={box['buttons']} "
                         f"default={box['default']} answer={box['answer']} "
                         f"pressed={box['pressed']} closed={box['closed']}")
        return "\n".join(lines)


def caller():
    """Where the test stands: file:line of the outermost test frame, and the
    lines of the test's own helpers it went through."""
    here = os.path.dirname(os.path.abspath(__file__))
    frames = []
    for frame in inspect.stack()[1:]:
        path = os.path.abspath(frame.filename)
        if os.path.dirname(path) == here:
            continue
        if "__unittest" in frame.frame.f_globals or frames and path != frames[0][0]:
            break
        frames.append((path, frame.lineno))
    if not frames:
        return "?"
    where = f"{frames[-1][0]}:{frames[-1][1]}"
    if len(frames) > 1:
        where += " (via line " + ", ".join(str(line) for _, line in reversed(frames[:-1])) + ")"
    return where


def fail(summary, problems, result=None):
    text = f"{caller()}: {summary}\n" + "".join(f"  - {p}\n" for p in problems)
    if result is not None:
        text += "what came:\n  " + result.describe().replace("\n", "\n  ")
    raise AssertionError(text)


def run_problems(result, exit_code):
    problems = []
    if not result.started:
        problems.append(f"the program did not start (error {result.data.get('start_error')})")
    if result.timed_out:
        problems.append("the program did not end within the time-out")
    if result.too_many_boxes:
        problems.append("the program kept showing boxes and was stopped")
    stopped = result.timed_out or result.too_many_boxes
    if exit_code is not None and result.started and not stopped \
            and result.exit_code != exit_code:
        problems.append(f"exit code {result.exit_code}, expected {exit_code}")
    return problems


def box_problems(number, got, want):
    problems = []
    if got is None:
        return [f"box {number} did not come; expected {want}"]
    if want is None:
        return [f"box {number} was not expected: caption={got['caption']!r} "
                f"text={got['text']!r}"]
    for field, value in want.expected.items():
        if got[field] != value:
            problems.append(f"box {number} {field}: expected {value!r}, got {got[field]!r}")
    if got["pressed"] is None:
        problems.append(f"box {number} was still open when the driver gave up")
    elif not got["expected"]:
        problems.append(f"box {number} came after the answers ran out; the driver closed it")
    elif got["pressed"] != (got["default"] if got["answer"] == "DEFAULT" else got["answer"]):
        problems.append(f"box {number} does not offer {got['answer']}; it was closed instead")
    if got["pressed"] is not None and not got["closed"]:
        problems.append(f"box {number} stayed open after {got['pressed']}")
    return problems


def expect_boxes(result, boxes, exit_code=0):
    """The run showed exactly these boxes, each was answered and closed, and the
    program ended by itself with exit_code (None: any)."""
    problems = run_problems(result, exit_code)
    for number, (got, want) in enumerate(itertools.zip_longest(result.boxes, boxes), 1):
        problems += box_problems(number, got, want)
        if want is None and len(result.boxes) > number:
            problems.append(f"and {len(result.boxes) - number} more boxes")
            break
    if problems:
        fail("the boxes differ from what was expected", problems, result)


def expect_no_boxes(result, exit_code=0):
    expect_boxes(result, [], exit_code)
