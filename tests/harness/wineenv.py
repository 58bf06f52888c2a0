"""The Wine environment of the Windows-side tests.

    wineenv.py setup     start a display and a persistent wineserver, make the prefix safe
    wineenv.py cleanup   stop them again
    wineenv.py unit      run X:\\unit_tests.exe and exit with its code

Everything lives under $UPDATER_WINE_STATE: the prefix, a private HOME, the
scratch root (drive T:), U: (a second scratch drive, for moves across drives),
R: (a throwaway folder whose root the tests try to delete) and running.json
(the display). V: is a folder in /dev/shm, on a file system of its own, for
moves that must copy. $UPDATER_WIN64_BUILD is drive X:. The prefix keeps no other
drive: the programs under test delete whole trees.
"""

import json
import os
import select
import shutil
import signal
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
READY_MARK = ".harness-ready"
MANAGED_KEY = r"HKCU\Software\Wine\X11 Driver"


def setting(name):
    if name not in os.environ:
        sys.exit(f"{name} is not set (run the tests through ctest)")
    return os.environ[name]


def build_dir():
    return setting("UPDATER_WIN64_BUILD")


def paths():
    state = os.path.abspath(setting("UPDATER_WINE_STATE"))
    names = ("prefix", "home", "scratch", "logs", "drive_u", "drive_r")
    return dict({name: os.path.join(state, name) for name in names}, state=state,
                running=os.path.join(state, "running.json"),
                drive_v="/dev/shm/updater-" + state.strip("/").replace("/", "-"))


def base_environment(display):
    p = paths()
    # XDG folders would lead Wine's shell folders back to the real home.
    env = {k: v for k, v in os.environ.items() if not k.startswith(("XDG_", "WINE"))}
    env.update(WINEPREFIX=p["prefix"], DISPLAY=display, HOME=p["home"], LC_ALL="ja_JP.UTF-8",
               WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def environment():
    """The environment for Wine processes, for the display that setup started."""
    try:
        with open(paths()["running"]) as f:
            return base_environment(json.load(f)["display"])
    except (OSError, ValueError, KeyError):
        sys.exit(f"{paths()['running']} is missing: run the wine.setup test first (ctest -R wine)")


def run_logged(args, env, log_path, timeout, cwd=None):
    """Runs a command with its output in a file (Wine services inherit pipes and
    keep them open). Returns the exit code, or None when it timed out."""
    with open(log_path, "ab") as log:
        child = subprocess.Popen(args, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                 stdout=log, stderr=log, start_new_session=True)
        try:
            return child.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            return None


def wine(args, env, log_path, timeout, cwd=None):
    return run_logged([WINE] + list(args), env, log_path, timeout, cwd)


def is_xvfb(pid):
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return os.path.basename(f.read().split(b"\0")[0]) == b"Xvfb"
    except OSError:
        return False


def stop_xvfb(pid):
    for attempt in range(52):
        if not is_xvfb(pid):
            return
        if attempt in (0, 51):
            os.kill(pid, signal.SIGTERM if attempt == 0 else signal.SIGKILL)
        time.sleep(0.05)


def stop_wineserver(env):
    for flag in ("-k", "-w"):
        run_logged([WINESERVER, flag], env, os.path.join(paths()["logs"], "wineserver.txt"), 30)


def stop_all():
    """Stops the wineserver of our prefix and our Xvfb, also after a crashed run."""
    p = paths()
    os.makedirs(p["logs"], exist_ok=True)
    if os.path.isdir(p["prefix"]):
        stop_wineserver(base_environment(":0"))
    try:
        with open(p["running"]) as f:
            stop_xvfb(json.load(f).get("xvfb_pid") or 0)
        os.remove(p["running"])
    except (OSError, ValueError):
        pass


def start_xvfb():
    p = paths()
    read_end, write_end = os.pipe()
    with open(os.path.join(p["logs"], "xvfb.txt"), "ab") as log:
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "2560x2048x24", "-nolisten",
                                 "tcp"], pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                start_new_session=True)
    os.close(write_end)
    number, chunk = b"", b"-"
    deadline = time.monotonic() + 15
    while chunk and not number.endswith(b"\n") and time.monotonic() < deadline:
        if select.select([read_end], [], [], 0.5)[0]:
            chunk = os.read(read_end, 16)
            number += chunk
    os.close(read_end)
    if not number.strip():
        stop_xvfb(xvfb.pid)
        sys.exit("Xvfb did not report a display (see logs/xvfb.txt)")
    display = ":" + number.decode().strip()
    with open(p["running"], "w") as f:
        json.dump({"display": display, "xvfb_pid": xvfb.pid}, f)
    return display


def make_drives_safe():
    """Only C: (the prefix's own), T:, U: and V: (scratch), R: (throwaway root)
    and X: (build output) remain."""
    p = paths()
    devices = os.path.join(p["prefix"], "dosdevices")
    os.makedirs(devices, exist_ok=True)
    wanted = {"c:": "../drive_c", "t:": p["scratch"], "u:": p["drive_u"], "r:": p["drive_r"],
              "v:": p["drive_v"], "x:": os.path.abspath(build_dir())}
    for name in os.listdir(devices):
        entry = os.path.join(devices, name)
        if name not in wanted or os.readlink(entry) != wanted[name]:
            os.remove(entry)
    for name, target in wanted.items():
        if not os.path.lexists(os.path.join(devices, name)):
            os.symlink(target, os.path.join(devices, name))
    # Wine links Desktop, Documents... to $HOME; make them plain folders.
    users = os.path.join(p["prefix"], "drive_c", "users")
    for top, dirs, files in os.walk(users):
        for name in dirs + files:
            entry = os.path.join(top, name)
            if os.path.islink(entry):
                os.remove(entry)
                os.mkdir(entry)


def inside(path, roots):
    real = os.path.realpath(path)
    return any(real == r or real.startswith(r + os.sep) for r in roots)


def check_drives():
    """Fails when anything the prefix can reach lies outside the state or build folder."""
    p = paths()
    roots = [os.path.realpath(p[name]) for name in ("state", "drive_v")] + [os.path.realpath(build_dir())]
    devices = os.path.join(p["prefix"], "dosdevices")
    bad = [f"dosdevices/{n} -> {os.readlink(os.path.join(devices, n))}"
           for n in sorted(os.listdir(devices))
           if not inside(os.path.join(devices, n), roots)]
    for top, dirs, files in os.walk(os.path.join(p["prefix"], "drive_c")):
        for name in dirs + files:
            entry = os.path.join(top, name)
            if os.path.islink(entry) and not inside(entry, roots):
                bad.append(f"{entry} -> {os.readlink(entry)}")
    if sorted(os.listdir(devices)) != ["c:", "r:", "t:", "u:", "v:", "x:"]:
        bad.append("dosdevices holds " + ", ".join(sorted(os.listdir(devices))))
    if bad:
        sys.exit("unsafe prefix:\n  " + "\n  ".join(bad))


def managed_is_off():
    try:
        with open(os.path.join(paths()["prefix"], "user.reg"), encoding="utf-8", errors="replace") as f:
            text = f.read()
    except OSError:
        return False
    section = text.find("[Software\\\\Wine\\\\X11 Driver]")
    return section >= 0 and '"Managed"="N"' in text[section:].split("\n[", 1)[0]


def must(code, what):
    if code != 0:
        sys.exit(f"{what} failed (see logs/setup.txt)")


def set_managed_off(env, log):
    # Without a window manager every box would take 2 s to close.
    must(wine(["reg", "add", MANAGED_KEY, "/v", "Managed", "/d", "N", "/f"], env, log, 60, cwd=paths()["scratch"]),
         "reg add")


def create_prefix(env, log):
    p = paths()
    shutil.rmtree(p["prefix"], ignore_errors=True)
    # With dosdevices made beforehand, Wine never creates its z: drive.
    os.makedirs(os.path.join(p["prefix"], "drive_c"))
    make_drives_safe()
    must(wine(["wineboot", "-i"], env, log, 180, cwd=p["scratch"]), "wineboot -i")
    set_managed_off(env, log)
    # Stopping the server writes the registry; the services of a prefix made in
    # the same server session were seen to stall later runs for seconds.
    stop_wineserver(env)
    open(os.path.join(p["prefix"], READY_MARK), "w").close()


def setup():
    started = time.monotonic()
    p = paths()
    stop_all()
    for name in ("home", "logs"):
        os.makedirs(p[name], exist_ok=True)
    for name in ("scratch", "drive_u", "drive_r", "drive_v"):
        shutil.rmtree(p[name], ignore_errors=True)
        os.makedirs(p[name])
    log = os.path.join(p["logs"], "setup.txt")
    display = start_xvfb()
    env = base_environment(display)
    fresh = not os.path.exists(os.path.join(p["prefix"], READY_MARK))
    if fresh:
        create_prefix(env, log)
    make_drives_safe()
    must(run_logged([WINESERVER, "-p"], env, log, 30), "wineserver -p")
    # Brings the services up now rather than in the first test.
    must(wine(["wineboot"], env, log, 120, cwd=p["scratch"]), "wineboot")
    if not managed_is_off():
        set_managed_off(env, log)
    make_drives_safe()
    check_drives()
    print(f"wine ready on {display} ({'new' if fresh else 'existing'} prefix, "
          f"{time.monotonic() - started:.1f} s)")


def cleanup():
    stop_all()
    shutil.rmtree(paths()["drive_v"], ignore_errors=True)
    print("wine stopped")


def unit():
    output = os.path.join(paths()["logs"], "unit.txt")
    if os.path.exists(output):
        os.remove(output)
    if not os.path.exists(os.path.join(build_dir(), "unit_tests.exe")):
        sys.exit("unit_tests.exe is not built")
    code = wine([r"X:\unit_tests.exe"] + sys.argv[2:], environment(), output, 300, cwd=paths()["scratch"])
    with open(output, "rb") as f:
        sys.stdout.write(f.read().decode("utf-8", "replace"))
    if code is None:
        sys.exit("unit_tests.exe timed out")
    sys.exit(code)


if __name__ == "__main__":
    commands = {"setup": setup, "cleanup": cleanup, "unit": unit}
    if len(sys.argv) < 2 or sys.argv[1] not in commands:
        sys.exit("usage: wineenv.py setup|cleanup|unit [arguments]")
    commands[sys.argv[1]]()
