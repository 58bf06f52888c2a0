"""Runs updater.exe on a bundled example, or on a script of your own, under Wine.

With no display, it starts its own Xvfb, starts the programs the example
expects to be running (running.txt), answers the boxes (with --answers, in
order, then the default button), prints what each box said, saves a PNG of
each box, lists the files, folders and shortcuts the run added, changed or
removed and the attributes it changed, and prints the run's log, copied
beside the screenshots. It ends with the updater's exit code (125 when the
updater could not be run or did not end in time). With --interactive
and a display (DISPLAY set), the boxes show there for a person to answer.
Its prefix maps no drive to the real file-system root: T: is its scratch
folder, X: the build folder, and the script's folder is copied under T:.
Every run starts from the same state: the shell folders lose what earlier
runs put there."""

import argparse
import json
import os
import re
import shutil
import struct
import sys
import time
import zlib

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))
import trees  # noqa: E402


def bmp_to_png(bmp_path, png_path):
    """A BMP of 24 or 32 bits a pixel, as the box driver saves it, as a PNG."""
    with open(bmp_path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, depth = struct.unpack_from("<iiHH", data, 18)
    size = depth // 8
    stride = (width * size + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source_row = height - 1 - y if height > 0 else y
        start = offset + source_row * stride
        bgr = data[start:start + width * size]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::size], bgr[1::size], bgr[0::size]
        rows.append(b"\x00" + bytes(rgb))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
           + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
    with open(png_path, "wb") as f:
        f.write(png)


def running_list(folder):
    """The programs (relative paths) that run before the update, as running.txt names them."""
    path = os.path.join(folder, "running.txt")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.strip() for line in f if line.strip()]


def snapshot(root):
    """{relative path: (size, CRC-32)} of every file under root, and "<dir>" for each folder."""
    return {os.path.join(*names): "<dir>" if os.path.isdir(path) else (len(data), zlib.crc32(data))
            for names, path, _ in trees.entries(root) for data in [b"" if os.path.isdir(path) else trees.read(path)]}


def changes(before, after, attributes, ignore=(".out", ".log")):
    """Lines telling which files and folders a run added, changed or removed, and whose attributes (letters as
    attrib shows them, of the scenario's folder: {path: (before, after)}) it changed."""
    lines = []
    for path in sorted(set(before) | set(after)):
        if path.endswith(ignore):
            continue
        if after.get(path) == "<dir>" != before.get(path):
            lines.append(f"added    {path}/ (folder)")
        elif before.get(path) == "<dir>" != after.get(path):
            lines.append(f"removed  {path}/ (folder)")
        elif path not in before:
            lines.append(f"added    {path} ({after[path][0]} bytes, CRC 0x{after[path][1]:08X})")
        elif path not in after:
            lines.append(f"removed  {path}")
        elif before[path] != after[path]:
            lines.append(f"changed  {path} ({before[path][0]} -> {after[path][0]} bytes, "
                         f"CRC 0x{after[path][1]:08X})")
    return lines + [f"attrib   {path} ({old or '-'} -> {new or '-'})"
                    for path, (old, new) in sorted(attributes.items()) if old != new]


def fresh_shell_folders(folders, state, fresh):
    """The shell folders as a new prefix has them: their entries then are noted (fresh), and later runs remove what
    came since."""
    listing = os.path.join(state, "shell-folders.json")
    if fresh or not os.path.exists(listing):
        with open(listing, "w") as f:
            json.dump({label: sorted(snapshot(folder)) for label, folder in folders.items()}, f)
        return
    with open(listing) as f:
        kept = json.load(f)
    for label, folder in folders.items():
        for path in sorted(snapshot(folder), reverse=True):  # what a folder holds before the folder
            if path not in kept.get(label, []):
                full = os.path.join(folder, path)
                os.rmdir(full) if os.path.isdir(full) and not os.path.islink(full) else os.remove(full)


def shell_folders(wineenv):
    """{label: Unix folder} of the shell folders where an installation puts shortcuts."""
    drive_c = os.path.join(wineenv.paths()["prefix"], "drive_c")
    return {"<Desktop>": os.path.join(drive_c, "users", "Public", "Desktop"),
            "<Programs>": os.path.join(drive_c, "ProgramData", "Microsoft", "Windows", "Start Menu", "Programs")}


def everything(root, folders):
    """The snapshot of the scenario and of each shell folder, the latter's paths under their label."""
    files = snapshot(root)
    for label, folder in folders.items():
        files.update({os.path.join(label, path): value for path, value in snapshot(folder).items()})
    return files


def find_log(root, changed):
    """The Unix path of the run's log among the files the run wrote: its first line names the updater."""
    for path in changed:
        full = os.path.join(root, path)
        if os.path.isfile(full):
            with open(full, "rb") as f:
                if re.match(rb" *\d+\.\d{3} \d{4}-\d\d-\d\d \d\d:\d\d:\d\d updater ", f.readline()):
                    return full
    return None


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(SOURCE, "build", "win64"),
                        help="the x86_64 build folder (default: build/win64)")
    parser.add_argument("--example", default="update", help="a folder name under examples/")
    parser.add_argument("--script", help="a folder of your own holding updater.ini and its files (instead of --example)")
    parser.add_argument("--answers", default="", help="the buttons to press, in order, such as NO,YES "
                        "(OK, CANCEL, YES, NO, CLOSE, DEFAULT); the default button after them")
    parser.add_argument("--lang", choices=("ja", "en"), default="ja",
                        help="the system's language: ja (code page 932, Japanese messages) or en (code page 1252)")
    parser.add_argument("--output", default=os.path.join(SOURCE, "build", "example"),
                        help="where the screenshots and the log go (default: build/example)")
    parser.add_argument("--interactive", action="store_true", help="show the boxes on your display (needs DISPLAY)")
    args = parser.parse_args()
    args.folder = os.path.abspath(args.script) if args.script else os.path.join(SOURCE, "examples", args.example)
    args.label = args.folder if args.script else f"examples/{args.example}"
    if not os.path.isfile(os.path.join(args.folder, "updater.ini")):
        parser.error(f"{args.label} holds no updater.ini")
    args.answers = [word.strip().upper() for word in args.answers.split(",") if word.strip()]
    return args


def main():
    args = parse_args()
    if args.interactive and not os.environ.get("DISPLAY"):
        print("--interactive shows the boxes on your display, and DISPLAY is not set: run it in a desktop "
              "session (or with ssh -X), or leave --interactive out to have the boxes answered and saved as PNGs.")
        return 2
    os.environ["UPDATER_SOURCE"] = SOURCE
    os.environ["UPDATER_WIN64_BUILD"] = os.path.abspath(args.build)
    os.environ["UPDATER_WINE_STATE"] = os.path.join(os.path.abspath(args.output), "wine")
    os.environ["UPDATER_LOCALE"] = {"ja": "ja_JP.UTF-8", "en": "en_US.UTF-8"}[args.lang]
    import wineenv
    from updater import Scenario

    if args.interactive:
        return run_interactive(wineenv, args)

    fresh = not os.path.exists(os.path.join(wineenv.paths()["prefix"], ".harness-ready"))
    wineenv.setup()
    try:
        from examples import copy_example
        from programs import run_closing, stop_programs
        scenario = Scenario("example")
        programs = copy_example(scenario, args.folder)
        folders = shell_folders(wineenv)
        fresh_shell_folders(folders, wineenv.paths()["state"], fresh)
        before, attributes = everything(scenario.root, folders), scenario.attributes()
        try:
            running = [programs[name].start_outside() for name in running_list(args.folder)]
            result = run_closing(scenario, running, answers=args.answers + ["DEFAULT"] * 20, timeout=90)
            # A program the update started again gets the time to show itself.
            time.sleep(2)
        finally:
            stop_programs(list(programs.values()))
        shots = os.path.join(scenario.runs, f"{scenario.name}-{scenario.run_count}-shots")
        after, attributes_after = everything(scenario.root, folders), scenario.attributes()
        attributes = {path: (old, attributes_after[path]) for path, old in attributes.items() if path in attributes_after}
        print(f"{args.label} in {scenario.win()} ({scenario.root})")
        for number, box in enumerate(result.boxes, 1):
            png = os.path.join(args.output, f"box-{number}.png")
            bmp = os.path.join(shots, f"box-{number}.bmp")
            if os.path.exists(bmp):
                bmp_to_png(bmp, png)
            print(f"box {number}: [{box['icon']}] {box['caption']}")
            for line in box["text"].split("\n"):
                print(f"    {line}")
            print(f"    buttons {' '.join(box['buttons'])}; pressed {box['pressed']}; "
                  f"screenshot {png if os.path.exists(png) else '(none)'}")
        print("changed on disk (programs' own .out and .log files left out):")
        for line in changes(before, after, attributes) or ["nothing"]:
            print(f"    {line}")
        log = find_log(scenario.root, [path for path in after if before.get(path) != after[path]])
        if log:
            copy = os.path.join(args.output, "updater.log")
            shutil.copyfile(log, copy)
            print(f"the run's log ({copy}):")
            with open(log, "rb") as f:
                for line in f.read().decode("cp932" if args.lang == "ja" else "cp1252", "replace").splitlines():
                    print(f"    {line}")
        else:
            print("the run's log: none (add LOG=<Src>\\update.log to [UPDATER])")
        print(f"updater.exe ended with exit code {result.exit_code}"
              + (" (timed out)" if result.timed_out else ""))
        return result.exit_code if result.started and not result.timed_out else 125
    finally:
        wineenv.stop_all()


def run_interactive(wineenv, args):
    from examples import copy_example
    from programs import stop_programs
    from updater import Scenario
    display = os.environ["DISPLAY"]
    env = wineenv.base_environment(display)
    # Setup makes the prefix safe; its own Xvfb is not used here.
    wineenv.setup()
    wineenv.stop_all()
    with open(wineenv.paths()["running"], "w") as f:
        f.write('{"display": "%s"}' % display)
    scenario = Scenario("example")
    programs = copy_example(scenario, args.folder)
    for name in running_list(args.folder):
        programs[name].start_outside()
    log = os.path.join(args.output, "interactive.log")
    try:
        code = wineenv.wine([scenario.win("updater.exe")], env, log, None, cwd=scenario.root)
    finally:
        stop_programs(list(programs.values()))
    print(f"updater.exe ended with exit code {code}")
    return 125 if code is None else code


if __name__ == "__main__":
    sys.exit(main())
