#pragma once
// A log file as the log writer uses it: opened, positioned, written, flushed
// and closed through the program's file-system edge (fileops/fs_edge.h), so
// the wide program opens the long form and the narrow one refuses a path its
// code page cannot hold. Also the byte form of log text: UTF-16LE with a byte
// order mark in the wide program, code page 932 without a mark in the narrow
// one.
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "fileops/fs_edge.h"

namespace mirrant::logfile {

class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Creates or opens the file (a plain path) with write access (and read
    // access when asked), others may read; append keeps an existing file,
    // else it is truncated.
    bool Open(const std::wstring& path, bool readAccess, bool append, DWORD& error);
    // Moves to the end (append) or the start; position is where writing
    // starts. A failure that reports no error code counts as success.
    bool Seek(bool toEnd, std::uint64_t& position, DWORD& error);
    bool Write(std::string_view bytes, DWORD& error);
    bool Flush(DWORD& error);
    // Closes; false when closing reported a failure. Does nothing when closed.
    bool Close(DWORD& error);
    bool isOpen() const { return handle_.valid(); }
    // Swaps the handle for one with read access only, so that the next
    // write fails in the system (tests of the fallback).
    void DropWriteAccessForTest();

private:
    fs::Handle handle_;
    std::wstring path_;
};

// Makes sure the folder of a log file exists (the program's EnsureParentFolder);
// false with a non-zero error code when it does not and cannot be made.
bool EnsureParentFolder(const std::wstring& filePath, DWORD& error);

// Log text as the file holds it: UTF-16LE (wide) or code page 932, where a
// character the code page cannot hold becomes its default character.
std::string EncodeLogText(std::wstring_view text);
// FF FE in the wide program, nothing in the narrow one.
std::string_view ByteOrderMark();

}  // namespace mirrant::logfile
