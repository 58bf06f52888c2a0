"""The executables as Windows and its users see them, read back with pefile: the DLLs they import, the
message catalogue (the numbered messages and the caption in Japanese, 1041, and English, 1033), the manifest
as XML, the version information with the names of the build's CMakeCache.txt, and the header (Terminal Server
aware, no time stamp, the right checksum, a stack protector, no .eh_frame in i686 files, no exception runtime
in the checker). The i686 updater: at most 112 KiB, and every static import in legacy_exports.txt.

With $UPDATER_RELEASE_SCRATCH, an i686 tree there built for updater.exe only: with the default names it must
equal the i686 build byte for byte; a version with leading zeros is refused at configure; with a vendor's names and
signed by a throwaway certificate, the names read back, `osslsigncode verify` passes, the signed program runs a script
under Wine and logs its version, its symbols file reads an address inside WinMain back as WinMain, and the install
step's folder holds the two executables, signed and runnable, and the reference, nothing else."""
import os
import re
import shutil
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

import pefile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.join(HERE, "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "tests", "harness"))
from messages import (DEFAULT_CAPTION, DEFAULT_CAPTION_EN, MESSAGES, MESSAGES_EN, NOTES, NOTES_EN,  # noqa: E402
                      PROGRESS_TEXTS, PROGRESS_TEXTS_EN)

FIXED = {"texts": {1041: {**MESSAGES, 100: DEFAULT_CAPTION, **PROGRESS_TEXTS, **NOTES},
                   1033: {**MESSAGES_EN, 100: DEFAULT_CAPTION_EN, **PROGRESS_TEXTS_EN, **NOTES_EN}},
         "controls": [("Microsoft.Windows.Common-Controls", "6.0.0.0")], "dpi": ["true/pm"],
         "systems": {  # Vista, 7, 8, 8.1, 10 and 11
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}}
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "SHELL32.DLL", "OLE32.DLL", "MSVCRT.DLL"}
TERMINAL_SERVER_AWARE, NX_COMPAT, DYNAMIC_BASE = 0x8000, 0x100, 0x40
# What the stack protector's failure says (system/StackGuard.cpp, linked only when a function checks the
# guard); the C++ runtime's exception classes carry their type names.
STACK_PROTECTOR, EXCEPTION_RUNTIME = b"stack buffer overrun detected", b"St9exception"
VENDOR = {"UPDATER_VERSION": "2.4.1", "UPDATER_COMPANY": "Example Corp", "UPDATER_PRODUCT": "Example Viewer",
          "UPDATER_DESCRIPTION": "Example Viewer updater", "UPDATER_COPYRIGHT": "© 2026 Example Corp, ビューア"}


def resources(pe, kind):
    """[(id, data, language)] of one resource type."""
    return [(name.id, pe.get_data(language.data.struct.OffsetToData, language.data.struct.Size), language.id)
            for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries if entry.id == kind
            for name in entry.directory.entries for language in name.directory.entries]


def string_tables(pe):
    """{language: {id: text}} of the texts below 200: each RT_STRING block holds 16 counted UTF-16 texts."""
    tables = {}
    for block, data, language in resources(pe, 6):
        offset = 0
        for number in range((block - 1) * 16, block * 16):
            end = offset + 2 + 2 * int.from_bytes(data[offset:offset + 2], "little")
            if offset + 2 < end and number < 200:
                tables.setdefault(language, {})[number] = data[offset + 2:end].decode("utf-16-le")
            offset = end
    return tables


def described(pe):
    ((_, manifest, _),) = resources(pe, 24)
    root = ET.fromstring(manifest)
    own = root.find("{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if info.Key == b"StringFileInfo"
               for table in info.StringTable for k, v in table.entries.items()}
    fixed = pe.VS_FIXEDFILEINFO[0]
    return {"imports": {i.dll.decode().upper() for i in pe.DIRECTORY_ENTRY_IMPORT} - SYSTEM_DLLS,
            "texts": string_tables(pe),
            "level": root.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel").get("level"),
            "identity": own is not None and (own.get("name"), own.get("version"), own.get("processorArchitecture")),
            "controls": [(e.get("name"), e.get("version")) for e in root.iter()
                         if e.tag.endswith("Identity") and e is not own],
            "dpi": [e.text for e in root.iter() if e.tag.endswith("}dpiAware")],
            "systems": {e.get("Id") for e in root.iter() if e.tag.endswith("}supportedOS")},
            "numbers": ".".join(str(n) for n in (fixed.FileVersionMS >> 16, fixed.FileVersionMS & 0xFFFF,
                                                 fixed.FileVersionLS >> 16, fixed.FileVersionLS & 0xFFFF)),
            "strings": strings, "icon": [data for _, data, _ in resources(pe, 3)]}


def cache(folder):
    """{name: value} of a build folder's CMakeCache.txt."""
    with open(os.path.join(folder, "CMakeCache.txt"), encoding="utf-8") as f:
        return dict(re.findall(r"^(\w+):\w+=(.*)$", f.read(), re.M))


def icon_images(path):
    """The images of an .ico file, as the resource compiler stores each one (RT_ICON)."""
    with open(path, "rb") as f:
        data = f.read()
    count = int.from_bytes(data[4:6], "little")
    entries = (data[6 + 16 * i:22 + 16 * i] for i in range(count))
    return [data[int.from_bytes(e[12:16], "little"):][:int.from_bytes(e[8:12], "little")] for e in entries]


def expected(options, path):
    """What the version information and the manifest of one executable must say."""
    version, checker = options["UPDATER_VERSION"], path.endswith("updater-check.exe")
    numbers = ".".join((version.split(".") + ["0"] * 3)[:4])
    name = ".".join(re.sub(r"[^A-Za-z0-9.-]", "", options[k]) for k in ("UPDATER_COMPANY", "UPDATER_PRODUCT")
                    if re.sub(r"[^A-Za-z0-9.-]", "", options[k])) or "updater"
    name += ".updater-check" if checker else "" if re.search(r"(^|\.)updater$", name) else ".updater"
    strings = {"FileDescription": "Update script checker" if checker else options["UPDATER_DESCRIPTION"],
               "FileVersion": version, "ProductVersion": version, "OriginalFilename": os.path.basename(path),
               "ProductName": options["UPDATER_PRODUCT"], "CompanyName": options["UPDATER_COMPANY"] or None,
               "LegalCopyright": options["UPDATER_COPYRIGHT"] or None}
    return dict(FIXED, imports=set(), numbers=numbers, strings=strings, icon=icon_images(options["UPDATER_ICON"]),
                level="asInvoker" if checker else options["UPDATER_EXECUTION_LEVEL"],
                identity=(name, numbers, "x86" if "i686" in options["CMAKE_TOOLCHAIN_FILE"] else "amd64"))


def legacy_exports():
    """{(DLL, function)} of legacy_exports.txt: a "[DLL]" line, then its functions."""
    with open(os.path.join(HERE, "legacy_exports.txt"), encoding="utf-8") as f:
        text = re.sub(r"#.*", "", f.read())
    return {(dll.upper(), name) for dll, names in re.findall(r"^\[(.+)\]$([^[]*)", text, re.M) for name in names.split()}


def header_problems(path, pe, i686):
    data, flags = pe.__data__[:], pe.OPTIONAL_HEADER.DllCharacteristics
    checks = [(flags & TERMINAL_SERVER_AWARE, "not Terminal Server aware"),
              (flags & NX_COMPAT and flags & DYNAMIC_BASE, f"DllCharacteristics {flags:#x} without NX or ASLR"),
              (pe.FILE_HEADER.TimeDateStamp == 0, f"time stamp {pe.FILE_HEADER.TimeDateStamp:#x}"),
              (pe.verify_checksum(), f"checksum {pe.OPTIONAL_HEADER.CheckSum:#x}, not the file's"),
              (STACK_PROTECTOR in data, "no stack protector"),
              (not (i686 and any(s.Name.startswith(b".eh_fram") for s in pe.sections)), "an .eh_frame section"),
              (not (path.endswith("updater-check.exe") and EXCEPTION_RUNTIME in data), "the exception runtime"),
              (not (i686 and path.endswith("updater.exe")) or len(data) <= 112 << 10, f"{len(data)} bytes > 112 KiB")]
    problems = [f"{path}: {text}" for ok, text in checks if not ok]
    if i686 and path.endswith("updater.exe"):
        imports = {(i.dll.decode().upper(), f.name.decode()) for i in pe.DIRECTORY_ENTRY_IMPORT for f in i.imports}
        problems += [f"{path}: imports {dll}!{name}, which Windows 95 or NT 4.0 lacks"
                     for dll, name in sorted(imports - legacy_exports())]
    return problems


def check(path, options, i686):
    pe = pefile.PE(path)
    got, want = described(pe), expected(options, path)
    got["strings"] = {k: got["strings"].get(k) for k in want["strings"]}
    print(f"{path}: {got['level']}, version {got['numbers']}")
    return [f"{path}: {key} {got[key]!r}, expected {want[key]!r}" for key in want if got[key] != want[key]
            ] + header_problems(path, pe, i686)


def run(*args, cwd=None):
    done = subprocess.run(args, cwd=cwd, capture_output=True, text=True)
    if done.returncode:
        sys.exit(f"{' '.join(args)} failed:\n{done.stdout}{done.stderr}")
    return done.stdout


def configure(scratch, options):
    return ["cmake", "-S", SOURCE, "-B", scratch, "-DCMAKE_BUILD_TYPE=Release", "-U", "UPDATER_*",
            f"-DCMAKE_TOOLCHAIN_FILE={os.path.join(SOURCE, 'cmake', 'mingw-i686.cmake')}",
            *[f"-D{k}={v}" for k, v in options.items()]]


def build_scratch(scratch, options, targets=("updater",)):
    """The scratch tree's updater.exe, configured with these options (the rest back to their defaults)."""
    run(*configure(scratch, options))
    run("cmake", "--build", scratch, "--target", *targets, "-j2")
    return os.path.join(scratch, "updater.exe")


def throwaway_certificate(folder):
    """A self-signed code-signing certificate: (PKCS#12 file, its password file, the certificate as PEM)."""
    key, cert, pfx, password = (os.path.join(folder, n) for n in ("key.pem", "cert.pem", "vendor.pfx", "pass.txt"))
    with open(password, "w") as f:
        f.write("throwaway")
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert, "-days", "2",
        "-subj", "/CN=Example Corp test signing", "-addext", "extendedKeyUsage=codeSigning")
    run("openssl", "pkcs12", "-export", "-inkey", key, "-in", cert, "-out", pfx, "-passout", f"file:{password}")
    return pfx, password, cert


def runs_under_wine(program, signing, cert):
    """Problems of a run of the signed program under Wine (the 64-bit prefix), and of its log's first line; the x86_64
    build, signed by the same step, where 32-bit programs cannot run."""
    import wineenv
    from updater import Scenario
    s = Scenario("build.signed")
    if wineenv.no_32_bits():
        print("the signed i686 program is not run (x86_64 instead):", wineenv.no_32_bits())
        program, version = s.copy_program("updater.exe"), cache(wineenv.build_dir())["UPDATER_VERSION"]
        run("cmake", "-DOSSLSIGNCODE=osslsigncode", f"-DFILE={program}", f"-DARGUMENTS={'|'.join(signing)}", "-P",
            os.path.join(SOURCE, "cmake", "SignFile.cmake"))
        problems = verify_problems(program, cert)
    else:
        problems, version = [], VENDOR["UPDATER_VERSION"]
        s.copy_program("updater.exe", program)
    s.write_script("[UPDATER]\nNAME=check\nPROC=Probe\nLOG=<Src>\\run.log\n[Probe]\nMODE=EXIST\nFILE=<Src>\\updater.ini\n")
    result = s.run()
    log = s.read_bytes("run.log").decode("cp932", "replace") if s.exists("run.log") else ""
    first = log.splitlines()[0] if log else ""
    return problems + [f"the signed program under Wine: {problem}" for ok, problem in (
        (result.exit_code == 0 and not result.boxes, result.describe()),
        (f" updater {version}, " in first, f"log's first line {first!r}")) if not ok]


def verify_problems(program, cert):
    verified = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", program], capture_output=True,
                              text=True)
    if verified.returncode or "Signature verification: ok" not in verified.stdout:
        return [f"osslsigncode verify {program}:\n{verified.stdout}{verified.stderr}"]
    return []


def symbols_problems(program):
    """An address inside WinMain, as a crash dump of the shipped program gives it, read back with the symbols file that
    the build kept beside it (the function that holds it, past what the link inlined there); the file describes the
    shipped program's code (the same .text)."""
    symbols, text = program + ".debug", next(s for s in pefile.PE(program).sections if s.Name.startswith(b".text"))
    crash = int(re.search(r"^(\w+) T _WinMain@16$", run("i686-w64-mingw32-nm", symbols), re.M)[1], 16) + 5
    name, line = run("i686-w64-mingw32-addr2line", "-f", "-i", "-e", symbols, hex(crash)).splitlines()[-2:]
    told = (run("c++filt", name).strip(), re.sub(r":\d+$", "", line), re.search(
        r" \.text +(\w+) +(\w+) ", run("i686-w64-mingw32-objdump", "-h", symbols)).groups())
    print(f"{symbols}: {crash:#x} is {told}")
    return [f"{symbols}: {crash:#x} is {told}"] * (told != ("WinMain@16", "././engine/Main.cpp", (
        f"{text.Misc_VirtualSize:08x}", f"{0x400000 + text.VirtualAddress:08x}")))


def release_problems(scratch, cert):
    """The install step's folder, and the run bit of the signed files."""
    folder = os.path.join(scratch, "vendor", "release")
    shutil.rmtree(folder, ignore_errors=True)
    run("cmake", "--install", scratch, "--prefix", folder)
    listing = sorted(os.listdir(folder))
    print(f"{folder}: {' '.join(listing)}")
    programs = [os.path.join(where, name) for where in (folder, scratch) for name in ("updater.exe", "updater-check.exe")]
    return [f"{folder} holds {listing}"] * (listing != ["script-reference.md", "updater-check.exe", "updater.exe"]) + [
        f"{path} has no run bit" for path in programs if not os.access(path, os.X_OK)] + [
        problem for path in programs[:2] for problem in verify_problems(path, cert)]


def scratch_problems(scratch, reference):
    """The scratch tree's rows: the same bytes as the reference build; a vendor's names, signed."""
    os.makedirs(scratch, exist_ok=True)
    problems, program = [], build_scratch(scratch, {})
    with open(program, "rb") as a, open(reference, "rb") as b:
        if a.read() != b.read():
            problems.append(f"{program} and {reference}, one commit built in two folders, differ")
    work = os.path.join(scratch, "vendor")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    pfx, password, cert = throwaway_certificate(work)
    icon = os.path.join(work, "vendor.ico")
    image = struct.pack("<IiiHHIIiiII", 40, 1, 2, 1, 32, 0, 8, 0, 0, 0, 0) + bytes.fromhex("336699ff") + bytes(4)
    with open(icon, "wb") as f:  # one 1x1 image of 32 bits, its mask below
        f.write(struct.pack("<HHHBBBBHHII", 0, 1, 1, 1, 1, 0, 0, 1, 32, len(image), 22) + image)
    refused = subprocess.run(configure(os.path.join(work, "zeros"), {"UPDATER_VERSION": "2.010.0.8"}), capture_output=True, text=True)
    if refused.returncode == 0 or "without leading zeros" not in " ".join(refused.stderr.split()):
        problems.append(f"UPDATER_VERSION=2.010.0.8 was not refused at configure:\n{refused.stderr}")
    options = dict(VENDOR, UPDATER_ICON=icon, UPDATER_SIGN_PKCS12=pfx, UPDATER_SIGN_PASSWORD_FILE=password)
    program = build_scratch(scratch, options, ("updater", "updater-check"))
    problems += check(program, {**cache(scratch), **options}, True) + verify_problems(program, cert)
    problems += symbols_problems(program) + release_problems(scratch, cert)
    signing = ["-pkcs12", pfx, "-readpass", password, "-h", "sha256", "-n", "updater"]  # as cmake/Signing.cmake
    return problems + runs_under_wine(program, signing, cert)


def main():
    failures = []
    for program in sys.argv[1:]:
        folder = os.path.dirname(program)
        i686 = "i686" in cache(folder)["CMAKE_TOOLCHAIN_FILE"]
        for path in (program, os.path.join(folder, "updater-check.exe")):
            failures += check(path, cache(folder), i686)
        if i686 and os.environ.get("UPDATER_RELEASE_SCRATCH"):
            failures += scratch_problems(os.environ["UPDATER_RELEASE_SCRATCH"], program)
    sys.exit("\n".join(failures) or None)


if __name__ == "__main__":
    main()
