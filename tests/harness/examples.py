"""The bundled examples (examples/<name>/) in a scenario's folder."""

import glob
import os
import shutil

from programs import Program

EXAMPLES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples")


def copy_example(s, name, gui=True):
    """The example's files, and a stand-in (GUI unless told) for each X.exe.plan there,
    tagged so that no two have the same contents: {X.exe: Program}."""
    shutil.copytree(os.path.join(EXAMPLES, name), s.path(), dirs_exist_ok=True)
    exes = [plan[:-5].replace("/", "\\") for plan in glob.glob("**/*.exe.plan", root_dir=s.path(), recursive=True)]
    return {exe: Program(s, exe, gui=gui, tag=True) for exe in exes}
