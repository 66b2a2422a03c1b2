#pragma once
// Access to the texts of the string table and printf-style formatting of them.
// Every user-visible text lives in res/; code asks for it by id. Numbered
// messages are addressed by their names from res/messages.h
// (LoadText(msg::kDeniedHiddenDestination)).
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace mirrant {

// One argument for FormatText: a text or a number.
class FormatArg {
public:
    FormatArg(const wchar_t* s) : kind_(Kind::Text), text_(s ? s : L"") {}
    FormatArg(const std::wstring& s) : kind_(Kind::Text), text_(s) {}
    FormatArg(std::wstring_view s) : kind_(Kind::Text), text_(s) {}
    FormatArg(int v) : kind_(Kind::Signed), signed_(v) {}
    FormatArg(long v) : kind_(Kind::Signed), signed_(v) {}
    FormatArg(long long v) : kind_(Kind::Signed), signed_(v) {}
    FormatArg(unsigned v) : kind_(Kind::Unsigned), unsigned_(v) {}
    FormatArg(unsigned long v) : kind_(Kind::Unsigned), unsigned_(v) {}
    FormatArg(unsigned long long v) : kind_(Kind::Unsigned), unsigned_(v) {}
    FormatArg(double v) : kind_(Kind::Real), real_(v) {}

    enum class Kind { Text, Signed, Unsigned, Real };
    Kind kind() const { return kind_; }
    std::wstring_view text() const { return text_; }
    long long asSigned() const;
    unsigned long long asUnsigned() const;
    double asReal() const;

private:
    Kind kind_;
    std::wstring_view text_;
    long long signed_ = 0;
    unsigned long long unsigned_ = 0;
    double real_ = 0;
};

// Formats a printf-style pattern: %s, %d, %u, %ld, %lu, %lld, %llu, %I64u,
// %I64d, %f and %.Nf (N digits), %x, %%; a width is honoured for numbers
// ("%02d"). Missing arguments format as nothing; an unknown directive is
// copied unchanged.
std::wstring FormatText(std::wstring_view pattern, std::initializer_list<FormatArg> args = {});

// The string-table text with this id, empty when there is none.
std::wstring LoadText(unsigned id);

// LoadText(id) formatted with the arguments.
std::wstring Message(unsigned id, std::initializer_list<FormatArg> args = {});

// Equal when only the letter case of A-Z differs (keywords, extensions and
// device names, which the system compares the same way in every locale).
bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b);

}  // namespace mirrant
