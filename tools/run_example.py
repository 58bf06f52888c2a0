"""Runs updater.exe on a bundled example under Wine (default: examples/update).

With no display, it starts its own Xvfb, starts the programs the example
expects to be running, answers every box with its default button, prints
what each box said, saves a PNG of each box and lists the files the run
added, changed or removed. With a display (DISPLAY set and --interactive),
the boxes show there for a person to answer. Its prefix maps no drive to the
real file-system root: T: is its scratch folder, X: the build folder."""

import argparse
import os
import struct
import sys
import time
import zlib

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))


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


def running_list(name):
    """The programs (relative paths) that run before the update, as running.txt names them."""
    path = os.path.join(SOURCE, "examples", name, "running.txt")
    if not os.path.exists(path):
        return []
    with open(path) as f:
        return [line.strip() for line in f if line.strip()]


def snapshot(root):
    """{relative path: (size, CRC-32)} of every file under root."""
    files = {}
    for top, _, names in os.walk(root):
        for name in names:
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                data = f.read()
            files[os.path.relpath(path, root)] = (len(data), zlib.crc32(data))
    return files


def changes(before, after, ignore=(".out", ".log")):
    """Lines telling which files a run added, changed or removed."""
    lines = []
    for path in sorted(set(before) | set(after)):
        if path.endswith(ignore):
            continue
        if path not in before:
            lines.append(f"added    {path} ({after[path][0]} bytes, CRC 0x{after[path][1]:08X})")
        elif path not in after:
            lines.append(f"removed  {path}")
        elif before[path] != after[path]:
            lines.append(f"changed  {path} ({before[path][0]} -> {after[path][0]} bytes, "
                         f"CRC 0x{after[path][1]:08X})")
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", required=True, help="the x86_64 build folder")
    parser.add_argument("--example", default="update", help="a folder name under examples/")
    parser.add_argument("--output", required=True, help="where the screenshots go")
    parser.add_argument("--interactive", action="store_true")
    args = parser.parse_args()

    os.environ["UPDATER_SOURCE"] = SOURCE
    os.environ["UPDATER_WIN64_BUILD"] = os.path.abspath(args.build)
    os.environ["UPDATER_WINE_STATE"] = os.path.join(os.path.abspath(args.output), "wine")
    import wineenv
    from updater import Scenario

    if args.interactive:
        return run_interactive(wineenv, args)

    wineenv.setup()
    try:
        from examples import copy_example
        from programs import run_closing, stop_programs
        scenario = Scenario("example")
        programs = copy_example(scenario, args.example)
        before = snapshot(scenario.root)
        try:
            running = [programs[name].start_outside() for name in running_list(args.example)]
            result = run_closing(scenario, running, answers=["DEFAULT"] * 20, timeout=90)
            # A program the update started again gets the time to show itself.
            time.sleep(2)
        finally:
            stop_programs(list(programs.values()))
        after = snapshot(scenario.root)
        shots = os.path.join(scenario.runs, f"{scenario.name}-{scenario.run_count}-shots")
        print(f"examples/{args.example} in {scenario.win()} ({scenario.root})")
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
        for line in changes(before, after) or ["nothing"]:
            print(f"    {line}")
        print(f"updater.exe ended with exit code {result.exit_code}"
              + (" (timed out)" if result.timed_out else ""))
        return 0 if result.started and not result.timed_out else 1
    finally:
        wineenv.cleanup()


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
    programs = copy_example(scenario, args.example)
    for name in running_list(args.example):
        programs[name].start_outside()
    log = os.path.join(args.output, "interactive.log")
    try:
        code = wineenv.wine([scenario.win("updater.exe")], env, log, None, cwd=scenario.root)
    finally:
        stop_programs(list(programs.values()))
    print(f"updater.exe ended with exit code {code}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
