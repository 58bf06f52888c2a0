#include "Box.h"

#include <algorithm>

namespace {

struct Search {
    DWORD processId;
    std::vector<HWND> found;
};

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    return name;
}

BOOL CALLBACK CollectBox(HWND window, LPARAM param) {
    Search& search = *reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search.processId && IsWindowVisible(window) && ClassOf(window) == L"#32770")
        search.found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectButton(HWND window, LPARAM param) {
    auto& buttons = *reinterpret_cast<std::vector<HWND>*>(param);
    if (IsWindowVisible(window) && ClassOf(window) == L"Button") buttons.push_back(window);
    return TRUE;
}

std::wstring TextOf(HWND window) {
    // The length reported for another process's window is only a hint: leave room.
    int length = GetWindowTextLengthW(window);
    std::wstring text(std::max(length, 0) + 1024, L'\0');
    int got = GetWindowTextW(window, &text[0], (int)text.size());
    text.resize(std::max(got, 0));
    return text;
}

std::string ButtonName(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "CANCEL";
    case IDABORT: return "ABORT";
    case IDRETRY: return "RETRY";
    case IDIGNORE: return "IGNORE";
    case IDYES: return "YES";
    case IDNO: return "NO";
    case IDHELP: return "HELP";
    case IDTRYAGAIN: return "TRYAGAIN";
    case IDCONTINUE: return "CONTINUE";
    }
    return "ID" + std::to_string(id);
}

}  // namespace

std::vector<HWND> VisibleBoxes(DWORD processId) {
    Search search{processId, {}};
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void ReadBox(HWND box, BoxRecord& record) {
    record.caption = TextOf(box);
    HWND text = GetDlgItem(box, 0xFFFF);
    record.hasText = text != nullptr;
    record.text = text ? TextOf(text) : std::wstring();

    std::vector<HWND> buttons;
    EnumChildWindows(box, CollectButton, reinterpret_cast<LPARAM>(&buttons));
    std::sort(buttons.begin(), buttons.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    record.buttons.clear();
    record.defaultButton.clear();
    for (HWND button : buttons) {
        std::string name = ButtonName(GetDlgCtrlID(button));
        record.buttons.push_back(name);
        // DM_GETDEFID answers 1 whatever the box; the button style tells the truth.
        if ((GetWindowLongW(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
            record.defaultButton = name;
    }
}

int ButtonId(Action action) {
    switch (action) {
    case Action::Ok: return IDOK;
    case Action::Cancel: return IDCANCEL;
    case Action::Yes: return IDYES;
    case Action::No: return IDNO;
    case Action::Close: return 0;
    case Action::Default: return 0;
    }
    return 0;
}
