#include "framework/text.h"

#include <windows.h>

#include <cstdio>

namespace mirrant {

long long FormatArg::asSigned() const {
    switch (kind_) {
    case Kind::Signed: return signed_;
    case Kind::Unsigned: return static_cast<long long>(unsigned_);
    case Kind::Real: return static_cast<long long>(real_);
    default: return 0;
    }
}

unsigned long long FormatArg::asUnsigned() const {
    switch (kind_) {
    case Kind::Signed: return static_cast<unsigned long long>(signed_);
    case Kind::Unsigned: return unsigned_;
    case Kind::Real: return static_cast<unsigned long long>(real_);
    default: return 0;
    }
}

double FormatArg::asReal() const {
    switch (kind_) {
    case Kind::Signed: return static_cast<double>(signed_);
    case Kind::Unsigned: return static_cast<double>(unsigned_);
    case Kind::Real: return real_;
    default: return 0;
    }
}

namespace {

std::wstring Widen(const char* s) {
    std::wstring out;
    for (; *s; ++s) out.push_back(static_cast<wchar_t>(*s));
    return out;
}

// Formats one numeric directive through the C library with an ASCII pattern.
std::wstring FormatNumber(const std::string& flags, char conv, const FormatArg& arg) {
    char buf[128];
    std::string f = "%" + flags;
    switch (conv) {
    case 'd': case 'i':
        f += "lld";
        std::snprintf(buf, sizeof buf, f.c_str(), arg.asSigned());
        break;
    case 'u':
        f += "llu";
        std::snprintf(buf, sizeof buf, f.c_str(), arg.asUnsigned());
        break;
    case 'x': case 'X':
        f += "ll";
        f += conv;
        std::snprintf(buf, sizeof buf, f.c_str(), arg.asUnsigned());
        break;
    default:
        f += conv;
        std::snprintf(buf, sizeof buf, f.c_str(), arg.asReal());
        break;
    }
    return Widen(buf);
}

}  // namespace

std::wstring FormatText(std::wstring_view pattern, std::initializer_list<FormatArg> args) {
    std::wstring out;
    out.reserve(pattern.size() + 64);
    auto next = args.begin();
    size_t i = 0;
    while (i < pattern.size()) {
        wchar_t c = pattern[i];
        if (c != L'%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < pattern.size() && pattern[i + 1] == L'%') {
            out.push_back(L'%');
            i += 2;
            continue;
        }
        // %[flags][width][.precision][length]conversion
        size_t j = i + 1;
        std::string flags;
        while (j < pattern.size() && wcschr(L"-+ 0#", pattern[j]) && pattern[j]) flags.push_back(char(pattern[j++]));
        while (j < pattern.size() && iswdigit(pattern[j])) flags.push_back(char(pattern[j++]));
        if (j < pattern.size() && pattern[j] == L'.') {
            flags.push_back('.');
            ++j;
            while (j < pattern.size() && iswdigit(pattern[j])) flags.push_back(char(pattern[j++]));
        }
        if (pattern.substr(j, 3) == L"I64") j += 3;
        while (j < pattern.size() && (pattern[j] == L'l' || pattern[j] == L'h')) ++j;
        if (j >= pattern.size() || !wcschr(L"sdiuxXfgeS", pattern[j])) {
            out.append(pattern.substr(i, j - i));
            i = j;
            continue;
        }
        wchar_t conv = pattern[j];
        i = j + 1;
        if (next == args.end()) continue;
        const FormatArg& arg = *next++;
        if (conv == L's' || conv == L'S') {
            if (arg.kind() == FormatArg::Kind::Text) out.append(arg.text());
            else out += FormatNumber(flags, arg.kind() == FormatArg::Kind::Real ? 'g' : 'd', arg);
        } else {
            out += FormatNumber(flags, static_cast<char>(conv), arg);
        }
    }
    return out;
}

std::wstring LoadText(unsigned id) {
    // With a length of 0 LoadStringW hands out a read-only pointer into the
    // resource, so texts of any length load whole.
    const wchar_t* p = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&p), 0);
    if (n <= 0 || !p) return {};
    return std::wstring(p, static_cast<size_t>(n));
}

std::wstring Message(unsigned id, std::initializer_list<FormatArg> args) {
    return FormatText(LoadText(id), args);
}

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    auto lower = [](wchar_t c) { return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c; };
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace mirrant
