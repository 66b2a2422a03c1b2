#include "framework/profile.h"

#include <windows.h>

#include <memory>

namespace mirrant {

namespace {

// Owns an open registry key.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { if (key_) RegCloseKey(key_); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

std::wstring SectionPath(const std::wstring& root, const std::wstring& section) {
    return section.empty() ? root : root + L"\\" + section;
}

bool OpenForRead(const std::wstring& path, RegKey& key) {
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.out()) == ERROR_SUCCESS;
}

bool OpenForWrite(const std::wstring& path, RegKey& key) {
    return RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                           nullptr, key.out(), nullptr) == ERROR_SUCCESS;
}

std::unique_ptr<ProfileStore>& AppStoreSlot() {
    static std::unique_ptr<ProfileStore> store;
    return store;
}

}  // namespace

ProfileStore::ProfileStore(std::wstring rootKey) : root_(std::move(rootKey)) {}

int ProfileStore::GetInt(const std::wstring& section, const std::wstring& name, int def) const {
    RegKey key;
    if (!OpenForRead(SectionPath(root_, section), key)) return def;
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                         &size) != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return def;
    return static_cast<int>(value);
}

bool ProfileStore::SetInt(const std::wstring& section, const std::wstring& name, int value) {
    RegKey key;
    if (!OpenForWrite(SectionPath(root_, section), key)) return false;
    DWORD v = static_cast<DWORD>(value);
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v),
                          sizeof v) == ERROR_SUCCESS;
}

std::wstring ProfileStore::GetString(const std::wstring& section, const std::wstring& name,
                                     const std::wstring& def) const {
    RegKey key;
    if (!OpenForRead(SectionPath(root_, section), key)) return def;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return def;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                         &got) != ERROR_SUCCESS)
        return def;
    text.resize(got / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

bool ProfileStore::SetString(const std::wstring& section, const std::wstring& name,
                             const std::wstring& value) {
    RegKey key;
    if (!OpenForWrite(SectionPath(root_, section), key)) return false;
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::optional<std::vector<std::uint8_t>> ProfileStore::GetBinary(const std::wstring& section,
                                                                 const std::wstring& name) const {
    RegKey key;
    if (!OpenForRead(SectionPath(root_, section), key)) return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_BINARY)
        return std::nullopt;
    std::vector<std::uint8_t> data(size);
    if (size && RegQueryValueExW(key.get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

bool ProfileStore::SetBinary(const std::wstring& section, const std::wstring& name,
                             const std::vector<std::uint8_t>& value) {
    RegKey key;
    if (!OpenForWrite(SectionPath(root_, section), key)) return false;
    return RegSetValueExW(key.get(), name.c_str(), 0, REG_BINARY, value.data(),
                          static_cast<DWORD>(value.size())) == ERROR_SUCCESS;
}

bool ProfileStore::HasValue(const std::wstring& section, const std::wstring& name) const {
    RegKey key;
    if (!OpenForRead(SectionPath(root_, section), key)) return false;
    return RegQueryValueExW(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

bool ProfileStore::DeleteValue(const std::wstring& section, const std::wstring& name) {
    RegKey key;
    if (!OpenForWrite(SectionPath(root_, section), key)) return false;
    LSTATUS st = RegDeleteValueW(key.get(), name.c_str());
    return st == ERROR_SUCCESS || st == ERROR_FILE_NOT_FOUND;
}

bool ProfileStore::DeleteRoot() {
    LSTATUS st = RegDeleteTreeW(HKEY_CURRENT_USER, root_.c_str());
    if (st == ERROR_SUCCESS || st == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyW(HKEY_CURRENT_USER, root_.c_str());
        return true;
    }
    return false;
}

ProfileStore& AppProfile() {
    auto& slot = AppStoreSlot();
    if (!slot) slot = std::make_unique<ProfileStore>(L"Software\\qorvane\\Mirrant_U");
    return *slot;
}

void SetAppProfileRoot(const std::wstring& rootKey) {
    AppStoreSlot() = std::make_unique<ProfileStore>(rootKey);
}

}  // namespace mirrant
