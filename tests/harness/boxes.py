"""What a test expects of a run's boxes, and the failures that say what came."""

import itertools

from messages import DEFAULT_CAPTION

# unittest leaves the frames of modules with this flag out of its tracebacks,
# so a failure points at the test's own lines.
__unittest = True
UNSET = object()


class Box:
    """What a test expects of one box; fields left out are not compared. As the
    last box of a run, exit_code is the code the run ends with."""

    def __init__(self, exit_code=0, **expected):
        unknown = set(expected) - {"caption", "text", "icon", "buttons", "default"}
        assert not unknown, f"a box has no {unknown}"
        self.exit_code, self.expected = exit_code, expected

    def __repr__(self):
        return "Box(" + ", ".join(f"{k}={v!r}" for k, v in self.expected.items()) + ")"


def error_box(text, caption=DEFAULT_CAPTION, exit_code=1):
    """The box every failure report shows; 3 for a script that could not be read."""
    return Box(caption=caption, text=text, icon="error", buttons=["OK"], default="OK", exit_code=exit_code)


class Result:
    """What the box driver saw of one run."""

    def __init__(self, data, log):
        self.data, self.log = data, log
        self.__dict__.update(data)

    def describe(self):
        return "\n".join([f"started={self.started} exit_code={self.exit_code} timed_out={self.timed_out} "
                          f"clipboard={self.clipboard!r}"] + [f"box {number}: " + " ".join(
                              f"{k}={v!r}" for k, v in box.items()) for number, box in enumerate(self.boxes, 1)])


def fail(summary, problems, result=None):
    text = f"{summary}\n" + "".join(f"  - {p}\n" for p in problems)
    if result is not None:
        text += "what came:\n  " + result.describe().replace("\n", "\n  ")
    raise AssertionError(text)


def box_problems(number, got, want):
    if got is None or want is None:
        return [f"box {number} did not come; expected {want}" if got is None else
                f"box {number} was not expected: caption={got['caption']!r} text={got['text']!r}"]
    problems = [f"box {number} {field}: expected {value!r}, got {got[field]!r}"
                for field, value in want.expected.items() if got[field] != value]
    return problems + [text for failed, text in [
        (got["pressed"] is None, f"box {number} was still open when the driver gave up"),
        (got["pressed"] and got["answer"] is None, f"box {number} came after the answers ran out; the driver closed it"),
        (got["pressed"] and got["answer"] and got["pressed"] != (got["default"] if got["answer"] == "DEFAULT" else
                                                                 got["answer"]),
         f"box {number} does not offer {got['answer']}; it was closed instead"),
        (got["pressed"] and not got["closed"], f"box {number} stayed open after {got['pressed']}")] if failed][:1]


def expect_boxes(result, boxes, exit_code=UNSET):
    """The run showed exactly these boxes, each was answered and closed, and the
    program ended by itself with exit_code (None: any; by default the last
    box's, 0 without boxes)."""
    if exit_code is UNSET:
        exit_code = boxes[-1].exit_code if boxes else 0
    problems = [text for failed, text in [
        (not result.started, f"the program did not start (error {result.start_error})"),
        (result.timed_out, "the program did not end within the time-out"),
        (result.too_many_boxes, "the program kept showing boxes and was stopped")] if failed]
    if exit_code is not None and not problems and result.exit_code != exit_code:
        problems.append(f"exit code {result.exit_code}, expected {exit_code}")
    for number, (got, want) in enumerate(itertools.zip_longest(result.boxes, boxes), 1):
        problems += box_problems(number, got, want)
        if want is None and len(result.boxes) > number:
            problems.append(f"and {len(result.boxes) - number} more boxes")
            break
    if problems:
        fail("the boxes differ from what was expected", problems, result)
