#include "window_driver.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace mirrant::testing {

namespace {

struct Search {
    const std::wstring* title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchTitle(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    if (!IsWindowVisible(w)) return TRUE;
    wchar_t buf[512] = {};
    GetWindowTextW(w, buf, 512);
    if (*s->title == buf) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

bool IsDialogClass(HWND w) {
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    return std::wstring(cls) == L"#32770";
}

BOOL CALLBACK CountDialogs(HWND w, LPARAM lp) {
    if (IsWindowVisible(w) && IsDialogClass(w)) ++*reinterpret_cast<int*>(lp);
    return TRUE;
}

BOOL CALLBACK DismissDialogs(HWND w, LPARAM) {
    if (IsWindowVisible(w) && IsDialogClass(w)) {
        PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(w, WM_COMMAND, IDNO, 0);
    }
    return TRUE;
}

}  // namespace

HWND ThreadWindowWhere(DWORD thread, const std::function<bool(HWND)>& match) {
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
    } s{&match, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND w, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!(*s->match)(w)) return TRUE;
            s->found = w;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND ThreadWindowTitled(DWORD thread, const wchar_t* title) {
    return ThreadWindowWhere(thread, [title](HWND w) {
        wchar_t text[256] = {};
        GetWindowTextW(w, text, 256);
        return std::wstring(text) == title;
    });
}

HWND WaitForWindow(DWORD thread, const std::wstring& title, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        Search s{&title};
        EnumThreadWindows(thread, MatchTitle, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(10);
    }
    return nullptr;
}

bool WaitGone(HWND window, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 10) {
        if (!IsWindow(window) || !IsWindowVisible(window)) return true;
        Sleep(10);
    }
    return false;
}

void Press(HWND dialog, int buttonId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

std::wstring TextOf(HWND dialog, int itemId) {
    HWND item = itemId ? GetDlgItem(dialog, itemId) : dialog;
    wchar_t buf[2048] = {};
    GetWindowTextW(item, buf, 2048);
    return buf;
}

std::wstring MessageBoxText(HWND box) { return TextOf(box, 0xFFFF); }

void SetRadio(HWND dialog, int id, bool checked) {
    SendDlgItemMessageW(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Checked(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

UserScript::UserScript(std::function<void(DWORD)> script) {
    DWORD testThread = GetCurrentThreadId();
    thread_ = std::thread([script = std::move(script), testThread] {
        try {
            script(testThread);
            return;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "user script: " << e.what();
        }
        // Whatever is still open would keep the test thread in its modal
        // loop for ever.
        for (int i = 0; i < 500; ++i) {
            int open = 0;
            EnumThreadWindows(testThread, CountDialogs, reinterpret_cast<LPARAM>(&open));
            if (open == 0) break;
            EnumThreadWindows(testThread, DismissDialogs, 0);
            Sleep(20);
        }
    });
}

UserScript::~UserScript() { Join(); }

void UserScript::Join() {
    if (thread_.joinable()) thread_.join();
}

HWND Need(HWND w, const char* what) {
    if (!w) throw std::runtime_error(std::string("window did not appear: ") + what);
    return w;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

OwnerWindow::OwnerWindow() {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_CAPTION, 100, 100, 400, 300, nullptr,
                            nullptr, GetModuleHandleW(nullptr), nullptr);
}

OwnerWindow::~OwnerWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

}  // namespace mirrant::testing
