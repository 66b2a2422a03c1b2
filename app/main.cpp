// Entry point of Mirrant_U.exe and Mirrant.exe.
#include <windows.h>

#include "app/application.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return mirrant::Application(instance).Run();
}
