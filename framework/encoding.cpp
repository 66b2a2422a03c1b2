#include "framework/encoding.h"

#include <windows.h>

namespace mirrant {

std::string ToUtf8(std::wstring_view text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring FromUtf8(std::string_view bytes) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    if (bytes.empty()) return true;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                               nullptr, 0) > 0;
}

std::string ToCodePage(std::wstring_view text, unsigned codePage, bool* usedDefault) {
    if (usedDefault) *usedDefault = false;
    if (text.empty()) return {};
    // No best-fit mapping: a character the code page cannot hold becomes the
    // default character, never a look-alike (which could name another file).
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL used = FALSE;
    int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                &used);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        &used);
    if (usedDefault) *usedDefault = used != FALSE;
    return out;
}

std::wstring FromCodePage(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

bool FitsCodePage(std::wstring_view text, unsigned codePage) {
    bool used = false;
    std::string bytes = ToCodePage(text, codePage, &used);
    return !used && FromCodePage(bytes, codePage) == text;
}

}  // namespace mirrant
