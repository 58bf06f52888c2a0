"""The Wine environment of the Windows-side tests: wineenv.py setup (a display, a persistent
wineserver, a safe prefix), cleanup (stops them), unit (runs X:\\unit_tests.exe); 77: skipped.

$UPDATER_BITS (64 unless 32) picks the build under test, $UPDATER_WIN64_BUILD or $UPDATER_WIN32_BUILD:
drive X:. The rest is under $UPDATER_WINE_STATE: the prefix, a private HOME, the scratch root (T:),
U: (a second scratch drive), R: (a throwaway folder whose root the tests try to delete), running.json
(the display); V: is on another file system (/dev/shm). The prefix keeps no other drive: the
programs under test delete whole trees."""

import functools
import hashlib
import json
import os
import shutil
import signal
import subprocess
import sys
import time

WINE, WINE32, WINESERVER = "/usr/lib/wine/wine64", "/usr/lib/wine/wine", "/usr/lib/wine/wineserver"
DRIVES = ("c:", "r:", "t:", "u:", "v:", "x:")


def setting(name):
    return os.environ.get(name) or sys.exit(f"{name} is not set (run the tests through ctest)")


def bits():
    return 32 if os.environ.get("UPDATER_BITS") == "32" else 64


def build_dir(of=None):
    """The build folder of the build under test, or of the one with `of` bits."""
    return setting(f"UPDATER_WIN{of or bits()}_BUILD")


@functools.cache
def no_32_bits():
    """Why this machine cannot run 32-bit Windows programs, or None when it can."""
    try:
        subprocess.run([WINE32, "--version"], capture_output=True, timeout=30, check=True)
    except (OSError, subprocess.SubprocessError) as error:
        return (f"this machine cannot run 32-bit programs ({WINE32} --version: {error}); "
                "tools/install-deps.sh installs wine32, and the kernel needs its 32-bit emulation")


def paths():
    state = os.path.abspath(setting("UPDATER_WINE_STATE"))
    p = {name: os.path.join(state, name) for name in ("prefix", "home", "scratch", "logs", "drive_u", "drive_r")}
    return dict(p, state=state, running=os.path.join(state, "running.json"),
                drive_v="/dev/shm/updater-" + hashlib.sha1(state.encode()).hexdigest()[:12])


def base_environment(display):
    # XDG folders would lead Wine's shell folders back to the real home. Wine starts its menu builder on every
    # shortcut saved, a process a whole core busy for a moment: the tests want no menus.
    env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "WINE"))}
    env.update(WINEPREFIX=paths()["prefix"], DISPLAY=display, HOME=paths()["home"],
               LC_ALL=os.environ.get("UPDATER_LOCALE", "ja_JP.UTF-8"),
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
    return env


def environment():
    """The environment for Wine processes, for the display that setup started."""
    with open(paths()["running"]) as f:
        return base_environment(json.load(f)["display"])


def until(done, seconds=10, pause=0.05):
    deadline = time.monotonic() + seconds
    while not done() and time.monotonic() < deadline:
        time.sleep(pause)
    return done()


def start(args, env, log_path, cwd=None):
    """A command in a session of its own, its output to a file (Wine services inherit pipes and keep them open)."""
    with open(log_path, "ab") as log:
        return subprocess.Popen(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                start_new_session=True)


def run_logged(args, env, log_path, timeout, cwd=None):
    """The exit code of a command (None: timed out, and its session killed)."""
    child = start(args, env, log_path, cwd)
    try:
        return child.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(child.pid, signal.SIGKILL)
        child.wait()


def wine(args, env, log_path, timeout, cwd=None, output=None):
    """The exit code of a Wine program, its output to log_path (None: timed out). Wine was seen to end a program with
    code 1 at once, before it ran (and the box driver ends so when Wine refuses to start the program): with `output`
    given, a run that ended so, writing no log and leaving no `output` file, is tried again (three runs at most)."""
    for attempt in range(3):
        if output is not None:
            open(log_path, "w").close()
        code = run_logged([WINE] + list(args), env, log_path, timeout, cwd)
        if code != 1 or output is None or os.path.getsize(log_path) or os.path.exists(output):
            return code
        sys.stderr.write(f"{args[0]}: Wine ended it with code 1 before it ran; trying again\n")
        time.sleep(0.5)
    return code


def stop_xvfb(pid):
    def running():  # and not a process that took its number since
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                return os.path.basename(f.read().split(b"\0")[0]) == b"Xvfb"
        except OSError:
            return False
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if running():
            os.kill(pid, sig)
            until(lambda: not running(), 2.5)


def stop_wineserver(env):
    for flag in ("-k", "-w"):
        run_logged([WINESERVER, flag], env, os.path.join(paths()["logs"], "wineserver.txt"), 30)


def stop_all():
    """Stops the wineserver of our prefix and our Xvfb, also after a crashed run."""
    os.makedirs(paths()["logs"], exist_ok=True)
    if os.path.isdir(paths()["prefix"]):
        stop_wineserver(base_environment(":0"))
    if os.path.exists(paths()["running"]):
        with open(paths()["running"]) as f:
            stop_xvfb(json.load(f).get("xvfb_pid") or 0)
        os.remove(paths()["running"])


def start_xvfb():
    with open(os.path.join(paths()["logs"], "xvfb.txt"), "ab") as log:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "2560x2048x24", "-nolisten", "tcp"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=log, start_new_session=True)
    number = xvfb.stdout.readline().decode().strip()
    xvfb.stdout.close()
    if not number:
        stop_xvfb(xvfb.pid)
        sys.exit("Xvfb did not report a display (see logs/xvfb.txt)")
    with open(paths()["running"], "w") as f:
        json.dump({"display": ":" + number, "xvfb_pid": xvfb.pid}, f)
    return ":" + number


def make_drives_safe():
    """Only the drives of DRIVES remain, and nothing in drive C: links elsewhere."""
    p = paths()
    devices = os.path.join(p["prefix"], "dosdevices")
    shutil.rmtree(devices, ignore_errors=True)  # the links themselves, not what they point to
    os.makedirs(devices)
    for name, target in zip(DRIVES, ("../drive_c", p["drive_r"], p["scratch"], p["drive_u"], p["drive_v"],
                                     os.path.abspath(build_dir()))):
        os.symlink(target, os.path.join(devices, name))
    # Wine links Desktop, Documents... to $HOME; make every link a plain folder.
    for top, dirs, files in os.walk(os.path.join(p["prefix"], "drive_c")):
        for entry in (os.path.join(top, name) for name in dirs + files):
            if os.path.islink(entry):
                os.remove(entry)
                os.mkdir(entry)


def must(args, env, log, timeout, runner=wine):
    # A fresh prefix's first reg.exe was seen to fail once while another prefix was being made.
    if all(runner(args, env, log, timeout, cwd=paths()["scratch"]) != 0 for _ in range(2)):
        sys.exit(f"{' '.join(args)} failed (see logs/setup.txt)")


def setup():
    started, p = time.monotonic(), paths()
    stop_all()
    for name in ("scratch", "drive_u", "drive_r", "drive_v"):
        shutil.rmtree(p[name], ignore_errors=True)
        os.makedirs(p[name])
    os.makedirs(p["home"], exist_ok=True)
    log, env = os.path.join(p["logs"], "setup.txt"), base_environment(start_xvfb())
    ready = os.path.join(p["prefix"], ".harness-ready")
    # A prefix made by a Wine without its 32-bit half lacks one for good: it is made again.
    half = os.path.exists(os.path.join(p["prefix"], "drive_c", "windows", "syswow64", "kernel32.dll"))
    fresh = not os.path.exists(ready) or (not half and not no_32_bits())
    if fresh:
        shutil.rmtree(p["prefix"], ignore_errors=True)
        os.makedirs(os.path.join(p["prefix"], "drive_c"))
        make_drives_safe()  # with dosdevices made beforehand, Wine never creates its z: drive
        must(["wineboot", "-i"], env, log, 180)
        # Without a window manager every box would take 2 s to close.
        must(["reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f"], env, log, 60)
        # Stopping the server writes the registry; the services of a prefix made in
        # the same server session were seen to stall later runs for seconds.
        stop_wineserver(env)
        open(ready, "w").close()
    make_drives_safe()
    must([WINESERVER, "-p"], env, log, 30, run_logged)
    must(["wineboot"], env, log, 120)  # brings the services up now rather than in the first test
    make_drives_safe()
    print(f"wine ready on {env['DISPLAY']} ({'new' if fresh else 'existing'} prefix, "
          f"{time.monotonic() - started:.1f} s)")


def unit():
    output = os.path.join(paths()["logs"], "unit.txt")
    open(output, "w").close()
    code = wine([r"X:\unit_tests.exe"] + sys.argv[2:], environment(), output, 300, cwd=paths()["scratch"])
    with open(output, "rb") as f:
        sys.stdout.write(f.read().decode("utf-8", "replace"))
    sys.exit("unit_tests.exe timed out" if code is None else code)


if bits() == 32 and no_32_bits():
    print("skipped:", no_32_bits())
    sys.exit(77)

if __name__ == "__main__":
    {"setup": setup, "cleanup": stop_all, "unit": unit}[sys.argv[1]]()
