"""What a test expects of a run's boxes, and the failures that say what came."""

import itertools

from messages import DEFAULT_CAPTION

# unittest leaves the frames of modules with this flag out of its tracebacks,
# so a failure points at the test's own lines.
__unittest = True


class Box:
    """What a test expects of one box; fields left out are not compared. As the
    last box of a run, exit_code is the code the run ends with."""

    def __init__(self, exit_code=0, **expected):
        assert set(expected) <= {"caption", "text", "icon", "buttons", "default"}, f"a box has no {set(expected)}"
        self.exit_code, self.expected = exit_code, expected


def error_box(text, caption=DEFAULT_CAPTION, exit_code=1):
    """The box every failure report shows; 3 for a script that could not be read."""
    return Box(caption=caption, text=text, icon="error", buttons=["OK"], default="OK", exit_code=exit_code)


class Result:
    """What the box driver saw of one run (its JSON fields as attributes), and its log."""

    def __init__(self, data, log):
        self.__dict__.update(data, log=log)

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
    if got is None:
        return [f"box {number} did not come; expected {want.expected}"]
    if want is None:
        return [f"box {number} was not expected: caption={got['caption']!r} text={got['text']!r}"]
    problems = [f"box {number} {field}: expected {value!r}, got {got[field]!r}"
                for field, value in want.expected.items() if got[field] != value]
    pressed, answer = got["pressed"], got["answer"]
    for failed, text in ((pressed is None, "was still open when the driver gave up"),
                         (answer is None, "came after the answers ran out; the driver closed it"),
                         (pressed != (got["default"] if answer == "DEFAULT" else answer),
                          f"does not offer {answer}; it was closed instead"),
                         (not got["closed"], f"stayed open after {pressed}")):
        if failed:
            return problems + [f"box {number} {text}"]
    return problems


def expect_boxes(result, boxes):
    """The run showed exactly these boxes, each was answered and closed, and the program
    ended by itself with the last box's exit_code (0 without boxes)."""
    exit_code = boxes[-1].exit_code if boxes else 0
    problems = [text for failed, text in [
        (not result.started, f"the program did not start (error {result.start_error})"),
        (result.timed_out, "the program did not end within the time-out"),
        (result.too_many_boxes, "the program kept showing boxes and was stopped"),
        (result.exit_code != exit_code, f"exit code {result.exit_code}, expected {exit_code}")] if failed]
    for number, (got, want) in enumerate(itertools.zip_longest(result.boxes, boxes), 1):
        problems += box_problems(number, got, want)
        if want is None and len(result.boxes) > number:
            problems.append(f"and {len(result.boxes) - number} more boxes")
            break
    if problems:
        fail("the boxes differ from what was expected", problems, result)
