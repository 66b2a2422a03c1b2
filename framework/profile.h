#pragma once
// Settings storage: HKCU\<root>\<section>\<value>, where the root is
// Software\qorvane\<program name> in the program and a private key in tests.
// Integers are REG_DWORD, texts REG_SZ, records REG_BINARY. A value that is
// missing or of the wrong type reads as the default. The sections and values
// of this program are named in settings/settings.h.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mirrant {

class ProfileStore {
public:
    explicit ProfileStore(std::wstring rootKey);

    const std::wstring& rootKey() const { return root_; }

    int GetInt(const std::wstring& section, const std::wstring& name, int def) const;
    bool SetInt(const std::wstring& section, const std::wstring& name, int value);
    std::wstring GetString(const std::wstring& section, const std::wstring& name,
                           const std::wstring& def) const;
    bool SetString(const std::wstring& section, const std::wstring& name, const std::wstring& value);
    std::optional<std::vector<std::uint8_t>> GetBinary(const std::wstring& section,
                                                       const std::wstring& name) const;
    bool SetBinary(const std::wstring& section, const std::wstring& name,
                   const std::vector<std::uint8_t>& value);
    bool HasValue(const std::wstring& section, const std::wstring& name) const;
    bool DeleteValue(const std::wstring& section, const std::wstring& name);
    // Removes the whole root key with everything below it.
    bool DeleteRoot();

private:
    std::wstring root_;
};

// The settings of this program: the store the application set up at start.
ProfileStore& AppProfile();
void SetAppProfileRoot(const std::wstring& rootKey);

}  // namespace mirrant
