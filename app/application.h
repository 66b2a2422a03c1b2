#pragma once
#include <windows.h>

namespace mirrant {

class Application {
public:
    explicit Application(HINSTANCE instance) : instance_(instance) {}
    int Run();

private:
    HINSTANCE instance_;
};

}  // namespace mirrant
