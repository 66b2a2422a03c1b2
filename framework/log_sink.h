#pragma once
// Where every decision and failure of a run is logged. The run log
// (log/log_buffer.h) is the program's implementation; the file operations
// and the engine only see this interface, so they can be tested with a
// simple recording sink.
#include <string>

namespace mirrant {

class LogSink {
public:
    virtual ~LogSink() = default;
    // A normal line (no error text) or an error line (the engine passes the
    // same message as text and as error text for failures).
    virtual void AppendLine(const std::wstring& text, const std::wstring& errorText = {}) = 0;
    // The string-table text id as a line; with errorId, the error text too.
    void AppendMessage(unsigned id, unsigned errorId = 0);
    // An error line whose text and error text are the same.
    void AppendError(const std::wstring& text) { AppendLine(text, text); }
};

}  // namespace mirrant
