#pragma once
// The kinds of value the program keeps in the registry: an integer with its
// default, range and load correction, a text, a binary record. The values
// themselves are in settings/settings.h and, for the switches of a run,
// settings/run_switches.h.

namespace mirrant {

// What reading makes of a stored integer (a missing value, or one of another
// type, always reads as the default).
enum class OnLoad {
    Keep,               // taken as stored: bit sets and packed words, where every value means something
    Flag,               // 0 stays 0, anything else reads as 1
    LowBit,             // bit 0 alone
    DefaultOutside,     // outside min..max reads as the default
    CapAboveDefaultBelow,  // above max reads as max, below min as the default
};

struct IntSetting {
    const wchar_t* name;
    int defaultValue;
    int min;
    int max;
    OnLoad onLoad;
};

// A text value. What a missing one reads as is said with each value; where it
// depends on the run (the log paths), the reader passes it.
struct TextSetting {
    const wchar_t* name;
};

// A binary record.
struct RecordSetting {
    const wchar_t* name;
};

}  // namespace mirrant
