#include "ProgressWindow.h"

#include <windows.h>

#include "resources/ProgressDialog.h"
#include "ProgressBar.h"
#include "UpdaterKeys.h"
#include "foundation/Messages.h"
#include "foundation/Numbers.h"
#include "foundation/Platform.h"
#include "foundation/RunLog.h"
#include "script/Options.h"
#include "script/Profile.h"
#include "script/RunContext.h"
#include "system/PathSize.h"
#include "system/Progress.h"

namespace {

enum { HideMessage = WM_APP, EndMessage = WM_APP + 1, RefreshTimer = 1 };
const unsigned RefreshMilliseconds = 200, ShowAfterMilliseconds = 500, ThreadWait = 5000;

HANDLE thread, endEvent;
HWND volatile dialog;
volatile bool ending, failed;

// The window thread's own view of the work.
struct View {
    unsigned stepSerial, scopeSerial;
    DWORD since;
    bool shown, asking, stopped;
    unsigned long long scopeBytes;
    unsigned long scopeFiles;
    ProgressSnapshot now;
};
View view;

void SetText(int control, const char* text) {
    char shown[ProgressTextSize];
    GetDlgItemTextA(dialog, control, shown, ProgressTextSize);
    if (lstrcmpA(shown, text) != 0)
        SetDlgItemTextA(dialog, control, text);
}

void Hide() {
    if (view.shown)
        ShowWindow(dialog, SW_HIDE);
    view.shown = false;
}

// The question of the Cancel button, still open when the run comes to a box
// of its own, goes first, answered No: the box shows alone.
void DropQuestion() {
    for (HWND box = nullptr; view.asking && (box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr;) {
        if (GetWindow(box, GW_OWNER) == dialog)
            SendMessageA(box, WM_COMMAND, IDNO, 0);
    }
}

// How far the step is: by its list items, and within an item by bytes
// (copies, moves, replaces, checks) or by files, whichever went further
// (a move within a drive renames and writes nothing).
int BarPosition(const ProgressSnapshot& now) {
    if (now.scopeSerial != view.scopeSerial) {
        view.scopeSerial = now.scopeSerial;
        view.scopeBytes = view.scopeFiles = 0;
        if (now.kind != ProgressWaiting)
            MeasurePath(now.scope, view.scopeBytes, view.scopeFiles, ending);
    }
    double within = 0;
    if (view.scopeBytes)
        within = static_cast<double>(now.kib) * 1024 / static_cast<double>(view.scopeBytes);
    if (view.scopeFiles && static_cast<double>(now.files) / view.scopeFiles > within)
        within = static_cast<double>(now.files) / view.scopeFiles;
    if (within > 1)
        within = 1;
    int count = now.count > 0 ? now.count : 1;
    return static_cast<int>((now.index + within) * BarRange / count);
}

// Whether the step the counters show is to be shown: it has run for half
// a second, or shows already.
bool ShowDue() {
    ProgressSnapshot& now = view.now;
    ReadProgress(now);
    if (now.kind == ProgressIdle || now.kind > ProgressWaiting)
        return false;
    DWORD tick = GetTickCount();
    if (now.stepSerial != view.stepSerial) {
        view.stepSerial = now.stepSerial;
        view.since = tick;
    }
    return view.shown || tick - view.since >= ShowAfterMilliseconds;
}

void Refresh() {
    if (!ShowDue())
        return Hide();
    ProgressSnapshot& now = view.now;
    String step;
    LoadText(step, TextProgressStep + now.kind);
    SetText(PROGRESS_STEP, step.Text());
    SetText(PROGRESS_ITEM, now.item);
    SendDlgItemMessageA(dialog, PROGRESS_BAR, BarSetPosition, static_cast<WPARAM>(BarPosition(now)), 0);
    if (!view.shown)
        ShowWindow(dialog, SW_SHOWNORMAL);
    view.shown = true;
}

// Once: a No leaves the question for another press.
void AskToStop() {
    if (view.asking || view.stopped)
        return;
    view.asking = true;
    String question;
    LoadText(question, TextProgressQuestion);
    int answer = MessageBoxA(dialog, question.Text(), ReportCaption(),
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SETFOREGROUND);
    view.asking = false;
    if (answer != IDYES)
        return;
    view.stopped = true;
    EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    AskProgressStop();
}

INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        dialog = window;
        String cancel;
        LoadText(cancel, TextProgressCancel);
        SetWindowTextA(window, ReportCaption());
        SetDlgItemTextA(window, IDCANCEL, cancel.Text());
        SetTimer(window, RefreshTimer, RefreshMilliseconds, nullptr);
        // Made because a step is due to show: it shows now, unless the
        // step ended meanwhile (the counters are read again).
        Refresh();
        return TRUE;
    }
    case WM_TIMER:
        if (!ending)
            Refresh();
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL)
            AskToStop();
        return TRUE;
    case HideMessage:
        Hide();
        DropQuestion();
        return TRUE;
    case EndMessage:
        DestroyWindow(window);
        PostQuitMessage(0);
        return TRUE;
    }
    return FALSE;
}

// Nothing of the window is made before a step is due to show: a run whose
// steps are all short never pays for a window, and the work never waits for
// one to be made. The end of the run (endEvent) ends the thread at any
// point, also while the window is being made.
DWORD WINAPI WindowThread(void*) {
    while (!ShowDue()) {
        if (WaitForSingleObject(endEvent, RefreshMilliseconds) != WAIT_TIMEOUT)
            return 0;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND window = RegisterProgressBar(instance) ? CreateDialogParamA(instance, MAKEINTRESOURCEA(PROGRESS_DIALOG),
                                                                     nullptr, DialogProcedure, 0)
                                                : nullptr;
    failed = !window;
    MSG message;
    while (window && MsgWaitForMultipleObjects(1, &endEvent, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT)
                return 0;
            if (!IsDialogMessageA(window, &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    }
    // The end came before the window's EndMessage (which ends the loop at
    // WM_QUIT, the window destroyed).
    if (window)
        DestroyWindow(window);
    return 0;
}

// Before any box of the run: the window goes first. After the user's stop
// the step that ended on it reports nothing.
bool BeforeBox() {
    EndProgressStep();
    if (dialog)
        SendMessageA(dialog, HideMessage, 0, 0);
    return !ProgressStopped();
}

bool Wanted() {
    String value;
    bool wanted = ReadOptionalKey("UPDATER", updaterKeys[UpdaterProgress], value) && ParseInt(value) == 1;
    if (GetSwitch(runContext.commandLine, "/progress", value))
        wanted = true;
    if (GetSwitch(runContext.commandLine, "/noprogress", value))
        wanted = false;
    return wanted && !SilentBoxes();
}

} // namespace

void StartProgressWindow() {
    if (!Wanted())
        return;
    // Before the thread: its first look at the counters takes their lock.
    WatchProgress();
    endEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD id;
    thread = endEvent ? CreateThread(nullptr, 0, WindowThread, nullptr, 0, &id) : nullptr;
    failed = !thread;
    if (thread)
        SetBoxGate(BeforeBox);
}

void BeginProgressFor(const String& mode) {
    static const struct {
        const char* mode;
        ProgressKind kind;
    } kinds[] = {{"COPY", ProgressCopying}, {"MOVE", ProgressMoving},       {"DELETE", ProgressDeleting},
                 {"RSRC", ProgressReplacing}, {"CRC", ProgressChecking},    {"WAITAPP", ProgressWaiting},
                 {"LAUNCH", ProgressWaiting}};
    ProgressKind kind = ProgressIdle;
    for (const auto& entry : kinds) {
        if (mode.EqualsNoCase(entry.mode))
            kind = entry.kind;
    }
    BeginProgressStep(kind);
}

void EndProgressFor() { EndProgressStep(); }

void EndProgressWindow() {
    SetBoxGate(nullptr);
    if (thread) {
        ending = true;
        SetEvent(endEvent);
        if (dialog)
            PostMessageA(dialog, EndMessage, 0, 0);
        WaitForSingleObject(thread, ThreadWait);
        CloseHandle(thread);
        thread = nullptr;
    }
    if (failed)
        LogLine("the progress window could not be opened: the run went on without it");
    failed = false;
}
