#pragma once
// Cause texts of failed file operations: one line, plain paths.
#include <initializer_list>
#include <string>

namespace mirrant {

// The system's own description of an error code in the user's language, on
// one line (line breaks joined without a separator, trailing blanks
// removed); empty when the system has no text for the code.
std::wstring SystemErrorText(unsigned long code);

// Removes trailing white space, then every CR/LF pair left inside.
std::wstring JoinLines(std::wstring text);

// What failed when a file was opened, read, written or flushed. The program
// does not throw: the file layer (fs_edge.h) returns one of these, and
// ExceptionText turns it into the message a user reads.
enum class FileStep { Open, Read, Write, Flush, Close };
struct FileError {
    FileStep step = FileStep::Open;
    unsigned long code = 0;
    std::wstring path;  // as opened, that is in long form in the wide build
};

// The message of a failed file step: the file as opened and the system's
// text for the code, at most 33024 characters. Callers replace the long
// forms with ReplaceLongPaths before showing or logging it.
std::wstring ExceptionText(const FileError& error);

// Replaces the long form (ToLongPath) of each given plain path by the plain
// path itself.
std::wstring ReplaceLongPaths(std::wstring text, std::initializer_list<std::wstring> plainPaths);

}  // namespace mirrant
