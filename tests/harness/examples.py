"""The bundled examples (examples/<name>/) in a scenario's folder."""

import os
import shutil

from programs import Program

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")


def copy_example(s, name):
    """The example's files, and a GUI stand-in for each X.exe.plan there, tagged
    so that no two have the same contents: {X.exe: Program}."""
    folder = os.path.join(EXAMPLES, name)
    programs = {}
    for top, _, names in os.walk(folder):
        for file in names:
            relative = os.path.relpath(os.path.join(top, file), folder).replace(os.sep, "\\")
            os.makedirs(os.path.dirname(s.path(relative)), exist_ok=True)
            shutil.copyfile(os.path.join(top, file), s.path(relative))
            if relative.endswith(".exe.plan"):
                programs[relative[:-5]] = Program(s, relative[:-5], gui=True, tag=True)
    return programs
