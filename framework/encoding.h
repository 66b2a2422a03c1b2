#pragma once
// Conversions between the program's UTF-16 text and the byte encodings of
// its files: UTF-8, UTF-16LE and code page 932 (the narrow build's code page).
#include <string>
#include <string_view>

namespace mirrant {

inline constexpr unsigned kCodePage932 = 932;

std::string ToUtf8(std::wstring_view text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(std::string_view bytes);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);

// Characters the code page cannot hold become its default character ("?"),
// never broken bytes. usedDefault (optional) tells whether that happened.
std::string ToCodePage(std::wstring_view text, unsigned codePage, bool* usedDefault = nullptr);
std::wstring FromCodePage(std::string_view bytes, unsigned codePage);

// True when every character of text survives a round trip through the code page.
bool FitsCodePage(std::wstring_view text, unsigned codePage);

}  // namespace mirrant
