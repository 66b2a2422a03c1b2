#include "app/application.h"

#include "res/resource.h"

namespace mirrant {

int Application::Run() {
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_MAIN), nullptr,
                    [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
                        if (m == WM_CLOSE) { EndDialog(h, IDOK); return TRUE; }
                        return m == WM_INITDIALOG;
                    }, 0);
    return 0;
}

}  // namespace mirrant
