#include "framework/log_sink.h"

#include "framework/text.h"

namespace mirrant {

void LogSink::AppendMessage(unsigned id, unsigned errorId) {
    AppendLine(LoadText(id), errorId ? LoadText(errorId) : std::wstring());
}

}  // namespace mirrant
