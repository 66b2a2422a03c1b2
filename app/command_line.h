#pragma once
// The program's command line: an optional "/S" or "/s" (unattended run;
// "/S" appends to the schedule log, "/s" overwrites it) with an optional
// "/T" or "/t" right after it (the run is a test: a check of a backup that
// changes nothing and ends with exit code 1 when it logged errors), then either one
// batch file, run at once, or up to two paths for the source and
// destination boxes.
#include <string>
#include <vector>

namespace mirrant {

// Splits the raw command line (program name already removed) into tokens.
// Quotes group spaces and never become part of a token; an opening quote
// discards what was gathered for the current token.
std::vector<std::wstring> TokenizeCommandLine(const std::wstring& text);

struct CommandLine {
    bool unattended = false;
    bool overwriteScheduleLog = false;  // "/s"
    bool testMode = false;              // "/T" after "/S" or "/s"
    std::vector<std::wstring> tokens;    // what remains after the switch
};

CommandLine ParseCommandLine(const std::wstring& text);

// True when the token names a batch file by its extension ("mrx" or "mrt",
// any case).
bool HasBatchExtension(const std::wstring& token);
// True unless the extension is "mrx": a text batch is the default format.
bool IsTextBatchExtension(const std::wstring& token);

// The raw command line of this process without the program's own name.
std::wstring ProcessArguments();

// The shell's reading of a token as a file-system path (display-name
// parsing); the token itself when the shell cannot resolve it.
std::wstring ShellResolvePath(const std::wstring& token);

}  // namespace mirrant
