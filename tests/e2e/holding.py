"""The clipboard kept open by another Windows process while a scenario runs."""

import contextlib
import os
import signal
import subprocess
import time

import wineenv
from boxes import fail

HOLDER = r"X:\holder.exe"


@contextlib.contextmanager
def holding_clipboard(scenario):
    """holder.exe keeps the clipboard open until the block ends."""
    arguments = ["clipboard"]
    stem = f"{scenario.name}-holder-{scenario.run_count}"
    ready, stop = (os.path.join(scenario.runs, f"{stem}.{end}") for end in ("ready", "stop"))
    for path in (ready, stop):
        if os.path.exists(path):
            os.remove(path)
    log = open(os.path.join(scenario.runs, stem + ".log"), "ab")
    args = [wineenv.WINE, HOLDER, *arguments, rf"T:\_runs\{stem}.ready", rf"T:\_runs\{stem}.stop"]
    child = subprocess.Popen(args, env=wineenv.environment(), cwd=scenario.root,
                             stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                             start_new_session=True)
    try:
        deadline = time.monotonic() + 30
        while not os.path.exists(ready):
            if child.poll() is not None or time.monotonic() > deadline:
                fail("holder.exe did not start holding", [f"{arguments}: code {child.poll()}"])
            time.sleep(0.05)
        yield
    finally:
        open(stop, "w").close()
        try:
            child.wait(timeout=30)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
        log.close()
