// Reads a shortcut back through the shell link object, for the tests:
//   linkreader.exe <shortcut> <output>
// writes path=, arguments= and directory= lines in UTF-8 to <output>. (Wine's
// link object does not load the window state back; the tests read it from
// the file's header.)
#include <windows.h>
#include <shlobj.h>

#include <string>

static std::string Utf8(const wchar_t* text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(size > 0 ? size - 1 : 0, '\0');
    if (size > 1)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], size, nullptr, nullptr);
    return result;
}

static int Fail(const char* what, HRESULT result) {
    char line[128];
    wsprintfA(line, "%s failed: 0x%08lX\n", what, static_cast<unsigned long>(result));
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line, lstrlenA(line), &written, nullptr);
    return 1;
}

static int Read(const wchar_t* shortcut, std::string& out) {
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    if (FAILED(hr))
        return Fail("CoCreateInstance", hr);
    IPersistFile* file = nullptr;
    hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) {
        hr = file->Load(shortcut, STGM_READ);
        file->Release();
    }
    if (FAILED(hr)) {
        link->Release();
        return Fail("Load", hr);
    }
    wchar_t text[1024];
    text[0] = 0;
    link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
    out += "path=" + Utf8(text) + "\n";
    text[0] = 0;
    link->GetArguments(text, 1024);
    out += "arguments=" + Utf8(text) + "\n";
    text[0] = 0;
    link->GetWorkingDirectory(text, 1024);
    out += "directory=" + Utf8(text) + "\n";
    link->Release();
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 3)
        return Fail("usage: linkreader <shortcut> <output>;", E_INVALIDARG);
    CoInitialize(nullptr);
    std::string out;
    int code = Read(argv[1], out);
    CoUninitialize();
    if (code != 0)
        return code;
    HANDLE output = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE)
        return Fail("CreateFileW", HRESULT_FROM_WIN32(GetLastError()));
    DWORD written = 0;
    WriteFile(output, out.data(), static_cast<DWORD>(out.size()), &written, nullptr);
    CloseHandle(output);
    return written == out.size() ? 0 : 1;
}
