#pragma once
// The thread that owns the program's windows. Every box and dialog is
// created on it, whichever thread asks: a worker hands the work over and
// waits for it as it would wait for a box of its own, while the window's
// thread shows the box in its own message loop. Made on that thread.
#include <windows.h>

#include <functional>

namespace mirrant {

class WindowThread {
public:
    WindowThread();
    ~WindowThread();
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

    // Runs work on the window's thread and returns when it is done. On that
    // thread itself it runs at once.
    void Run(const std::function<void()>& work) const;
    bool OnThread() const { return GetCurrentThreadId() == thread_; }

    // Run with a result.
    template <class F>
    auto Call(F work) const -> decltype(work()) {
        decltype(work()) result{};
        Run([&] { result = work(); });
        return result;
    }

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    DWORD thread_;
    HWND host_ = nullptr;  // message-only window of that thread
};

}  // namespace mirrant
