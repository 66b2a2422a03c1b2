#include "framework/window_thread.h"

#include "framework/dialog.h"
#include "framework/window_messages.h"

namespace mirrant {

namespace {
constexpr wchar_t kHostClass[] = L"MirrantWindowThread";
}

WindowThread::WindowThread() : thread_(GetCurrentThreadId()) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Procedure;
    wc.hInstance = AppInstance();
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);  // fails harmlessly when already registered
    host_ = CreateWindowExW(0, kHostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AppInstance(), nullptr);
}

WindowThread::~WindowThread() {
    if (host_) DestroyWindow(host_);
}

LRESULT CALLBACK WindowThread::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kWindowThreadWorkMessage) {
        if (auto* work = reinterpret_cast<const std::function<void()>*>(lp)) (*work)();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void WindowThread::Run(const std::function<void()>& work) const {
    // Without its window (it could not be made) the work runs where it is
    // asked for, as a last resort rather than not at all.
    if (GetCurrentThreadId() == thread_ || !host_) {
        work();
        return;
    }
    SendMessageW(host_, kWindowThreadWorkMessage, 0, reinterpret_cast<LPARAM>(&work));
}

}  // namespace mirrant
