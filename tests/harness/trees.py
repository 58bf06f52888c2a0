"""The one reader of trees on the Unix side, for the tests, the safety fuzzer, the trials and the example runner: every
entry below a folder with its kind, links never entered, and a file's attributes as Wine keeps them."""

import os


def entries(root):
    """(names below root as a tuple, Unix path, kind) of every entry: "l" a link (to a file or a folder), "d" a
    folder, "f" a file."""
    for top, dirs, files in os.walk(root):  # a link to a folder is listed, not entered
        here = () if top == root else tuple(os.path.relpath(top, root).split(os.sep))
        for name in dirs + files:
            path = os.path.join(top, name)
            yield here + (name,), path, "l" if os.path.islink(path) else "d" if name in dirs else "f"


def attributes(path, letters="RHS"):
    """Those of "R", "H", "S" and "A" that a file has, as Wine keeps them: read-only in the mode bits, the others in
    user.DOSATTRIB."""
    dos = int(os.getxattr(path, "user.DOSATTRIB") if "user.DOSATTRIB" in os.listxattr(path) else "0", 16)
    held = {"R": os.stat(path).st_mode & 0o222 == 0, "H": dos & 2, "S": dos & 4, "A": dos & 0x20}
    return "".join(letter for letter in letters if held[letter])


def read(path):
    with open(path, "rb") as f:
        return f.read()
