#pragma once
// What the batch tests share: a read context that records where messages
// went, and small byte helpers.
#include <cstdint>
#include <string>
#include <string_view>

#include "batch/batch_file.h"
#include "support/recording_log.h"
#include "support/scripted_prompter.h"

namespace mirrant::testing {

struct ReadRecorder {
    ScriptedPrompter prompter;
    RecordingLog log;
    int finished = 0;

    BatchReadContext Context(bool logToFile = true, bool unattended = false) {
        return BatchReadContext{prompter, log, logToFile, unattended, [this] { ++finished; }};
    }
};

// UTF-16 bytes of the text, little- or big-endian, without a mark.
inline std::string Utf16Bytes(std::wstring_view text, bool bigEndian) {
    std::string out;
    for (wchar_t c : text) {
        char lo = static_cast<char>(c & 0xff), hi = static_cast<char>((c >> 8) & 0xff);
        if (bigEndian) {
            out += hi;
            out += lo;
        } else {
            out += lo;
            out += hi;
        }
    }
    return out;
}

inline std::string Bytes(const std::vector<std::uint8_t>& v) { return std::string(v.begin(), v.end()); }

}  // namespace mirrant::testing
