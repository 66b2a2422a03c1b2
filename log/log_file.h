#pragma once
// The log writer's own file edge: opening, positioning, writing and flushing
// a log file, creating its folder, and the byte form of log text. The wide
// program opens the long form with the W functions and writes UTF-16LE with
// a byte order mark; the narrow program opens the path through the code page
// and writes code page 932 without a mark.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace mirrant::logfile {

class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Creates or opens the file with write access (and read access when
    // asked), others may read; append keeps an existing file, else it is
    // truncated.
    bool Open(const std::wstring& path, bool readAccess, bool append, DWORD& error);
    // Moves to the end (append) or the start; position is where writing starts.
    bool Seek(bool toEnd, std::uint64_t& position, DWORD& error);
    bool Write(std::string_view bytes, DWORD& error);
    bool Flush(DWORD& error);
    // Closes; false when closing reported a failure. Does nothing when closed.
    bool Close(DWORD& error);
    bool isOpen() const { return h_ != INVALID_HANDLE_VALUE; }
    // Swaps the handle for one with read access only, so that the next
    // write fails in the system (tests of the fallback).
    void DropWriteAccessForTest();

private:
    HANDLE h_ = INVALID_HANDLE_VALUE;
};

// The form in which a path is handed to the system: the long form "\\?\"
// in the wide program for absolute paths, the path itself otherwise.
std::wstring OpenForm(const std::wstring& path);

// Creates the missing folders above a file path; false with the error code
// when the folder cannot be made.
bool EnsureParentFolder(const std::wstring& filePath, DWORD& error);

// The system's description of an error code on one line.
std::wstring CauseText(DWORD code);

// Log text as the file holds it: UTF-16LE (wide) or code page 932, where a
// character the code page cannot hold becomes its default character.
std::string EncodeLogText(std::wstring_view text);
// FF FE in the wide program, nothing in the narrow one.
std::string_view ByteOrderMark();

}  // namespace mirrant::logfile
