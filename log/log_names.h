#pragma once
// Log file names: the default names and the expansion of name templates with
// date, time and user-name codes.
#include <string>

#include "log/time_stamp.h"

namespace mirrant {

// The default log file name: product name, "ｽｹｼﾞｭｰﾙ" for the scheduled-run
// log, "実行ﾛｸﾞ", with unique the user-name code "_%U", then ".txt".
// "Mirrant(Unicode版)実行ﾛｸﾞ.txt", "Mirrant(Unicode版)ｽｹｼﾞｭｰﾙ実行ﾛｸﾞ_%U.txt".
std::wstring DefaultLogFileName(bool schedule, bool unique);

// The name of the user running the program; empty if it cannot be read.
std::wstring CurrentUserName();

// Replaces the codes %Y %y %M %D %H %h %m %s %T %t %U and %% of a template
// with the parts of the time and the user name; other sequences starting
// with a percent sign stay as they are.
std::wstring ExpandLogName(const std::wstring& pattern, const LocalTime& time,
                           const std::wstring& userName);
// The same with the current user's name.
std::wstring ExpandLogName(const std::wstring& pattern, const LocalTime& time);

// The folder part of a path, up to and including its last backslash (empty
// when it has none), and the rest.
std::wstring FolderPart(const std::wstring& path);
std::wstring NamePart(const std::wstring& path);

}  // namespace mirrant
