#include "settings/settings.h"

#include "framework/profile.h"

namespace mirrant {

int CorrectSetting(const IntSetting& s, int stored) {
    switch (s.onLoad) {
    case OnLoad::Keep: return stored;
    case OnLoad::Flag: return stored != 0 ? 1 : 0;
    case OnLoad::LowBit: return stored & 1;
    case OnLoad::DefaultOutside: return stored < s.min || stored > s.max ? s.defaultValue : stored;
    case OnLoad::CapAboveDefaultBelow:
        if (stored > s.max) return s.max;
        return stored < s.min ? s.defaultValue : stored;
    }
    return s.defaultValue;
}

int ReadSetting(const ProfileStore& store, const IntSetting& s) {
    return CorrectSetting(s, store.GetInt(kSettingsSection, s.name, s.defaultValue));
}

bool WriteSetting(ProfileStore& store, const IntSetting& s, int value) {
    return store.SetInt(kSettingsSection, s.name, value);
}

bool WriteSetting(ProfileStore& store, const IntSetting& s, std::uint32_t value) {
    return store.SetInt(kSettingsSection, s.name, static_cast<int>(value));
}

std::wstring ReadSetting(const ProfileStore& store, const TextSetting& s, const std::wstring& def) {
    return store.GetString(kSettingsSection, s.name, def);
}

bool WriteSetting(ProfileStore& store, const TextSetting& s, const std::wstring& value) {
    return store.SetString(kSettingsSection, s.name, value);
}

bool RemoveSetting(ProfileStore& store, const TextSetting& s) {
    return store.DeleteValue(kSettingsSection, s.name);
}

std::optional<std::vector<std::uint8_t>> ReadSetting(const ProfileStore& store, const RecordSetting& s) {
    return store.GetBinary(kSettingsSection, s.name);
}

bool WriteSetting(ProfileStore& store, const RecordSetting& s, const std::vector<std::uint8_t>& bytes) {
    return store.SetBinary(kSettingsSection, s.name, bytes);
}

}  // namespace mirrant
