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
    """A 24-bit bottom-up BMP, as the box driver saves it, as a PNG."""
    with open(bmp_path, "rb") as f:
        data = f.read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source_row = height - 1 - y if height > 0 else y
        start = offset + source_row * stride
        bgr = data[start:start + width * 3]
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(b"\x00" + bytes(rgb))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
           + chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))
    with open(png_path, "wb") as f:
        f.write(png)


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
        from examples import RunningPrograms, changes, copy_example, snapshot
        scenario = Scenario("example")
        copy_example(scenario, args.example)
        programs = RunningPrograms(scenario, args.example)
        before = snapshot(scenario.root)
        try:
            closer = programs.close_when_asked()
            result = scenario.run(answers=["DEFAULT"] * 20, screenshots=True, timeout=90)
            if not result.started:
                programs.cancel_closing()
            closer.join()
            # A program the update started again gets the time to show itself.
            time.sleep(2)
        finally:
            programs.stop()
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
    from examples import RunningPrograms, copy_example
    from updater import Scenario
    display = os.environ["DISPLAY"]
    env = wineenv.base_environment(display)
    # Setup makes the prefix safe; its own Xvfb is not used here.
    wineenv.setup()
    wineenv.stop_all()
    with open(wineenv.paths()["running"], "w") as f:
        f.write('{"display": "%s"}' % display)
    scenario = Scenario("example")
    copy_example(scenario, args.example)
    programs = RunningPrograms(scenario, args.example)
    log = os.path.join(args.output, "interactive.log")
    try:
        code = wineenv.wine([scenario.win("updater.exe")], env, log, None, cwd=scenario.root)
    finally:
        programs.stop()
    print(f"updater.exe ended with exit code {code}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
