"""The program imports nothing but the system's own DLLs, on both targets."""
import subprocess
import sys

ALLOWED = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "SHELL32.DLL", "OLE32.DLL", "MSVCRT.DLL"}


def main():
    failures = 0
    for exe, objdump in zip(sys.argv[1:], ["x86_64-w64-mingw32-objdump", "i686-w64-mingw32-objdump"]):
        out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
        dlls = {line.split("DLL Name:")[1].strip().upper() for line in out.splitlines() if "DLL Name:" in line}
        print(f"{exe}: {sorted(dlls)}")
        # No imports at all means objdump's output was not understood.
        if not dlls or dlls - ALLOWED:
            print(f"  not allowed: {sorted(dlls - ALLOWED)}" if dlls else "  no imports found")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
