#include "fileops/path_rules.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <iterator>
#include <list>
#include <vector>

#include "fileops/error_text.h"
#include "fileops/fs_edge.h"
#include "framework/recent_files.h"
#include "framework/text.h"
#include "res/messages.h"

namespace mirrant {

namespace {

bool IsBlank(wchar_t c) { return iswspace(c) != 0; }

std::wstring TrimBlanks(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool IsReservedDeviceName(const std::wstring& base) {
    static const wchar_t* const kNames[] = {L"AUX", L"CON", L"NUL", L"PRN", L"CLOCK$"};
    for (const wchar_t* n : kNames)
        if (EqualsAsciiNoCase(base, n)) return true;
    if (base.size() == 4 && base[3] >= L'1' && base[3] <= L'9') {
        std::wstring stem = base.substr(0, 3);
        if (EqualsAsciiNoCase(stem, L"COM") || EqualsAsciiNoCase(stem, L"LPT")) return true;
    }
    return false;
}

constexpr wchar_t kForbidden[] = L"\\/:*?\"<>|";

// The names of a typed path as NormalizePath checks them. The rule: every
// name is trimmed, checked and stripped of trailing dots; ".." takes itself
// and the name before it away, and then every name before it is checked once
// more, from the first. Checking a name again changes it only when it still
// ends in a blank (the blank goes, and dots before it), so only such names
// are checked again: a path of many names and many ".." costs no more than
// its length, where checking every name again cost its square.
class NameChecker {
public:
    // The next name of the path; false when it is not allowed.
    bool Add(const std::wstring& raw) {
        std::wstring t = TrimBlanks(raw);
        if (t.empty() || t.find_first_of(kForbidden) != std::wstring::npos) return false;
        if (t == L"..") {
            if (!names_.empty()) Remove(std::prev(names_.end()));
            return CheckAgain();
        }
        size_t len = t.size();
        while (len > 0 && t[len - 1] == L'.') --len;
        if (len == 0) return false;
        if (t.rfind(L'.', len - 1) == 0) return false;  // no base name: ".profile"
        const size_t firstDot = t.find(L'.');
        // The system takes "nul.tar.gz" and "con .txt" for the device as
        // well: whatever follows the first dot does not make a device name
        // a file.
        if (IsReservedDeviceName(TrimBlanks(t.substr(0, std::min(firstDot, len))))) return false;
        const bool settled = !IsBlank(t[len - 1]);
        names_.push_back(Name{std::move(t), len, firstDot});
        if (!settled) {
            names_.back().isUnsettled = true;
            names_.back().unsettled = unsettled_.insert(unsettled_.end(), std::prev(names_.end()));
        }
        return true;
    }

    // "\name" for every name.
    std::wstring Joined() const {
        std::wstring out;
        for (const Name& n : names_) {
            out += L'\\';
            out.append(n.text, 0, n.length);
        }
        return out;
    }

private:
    struct Name;
    using Names = std::list<Name>;
    struct Name {
        std::wstring text;  // trimmed once; the first `length` characters count
        size_t length;
        size_t firstDot;
        bool isUnsettled = false;
        std::list<Names::iterator>::iterator unsettled{};
    };
    enum class Again { Kept, Gone, Invalid };

    void Remove(Names::iterator n) {
        if (n->isUnsettled) unsettled_.erase(n->unsettled);
        names_.erase(n);
    }

    // Checks every unsettled name once more, the first first; a name that
    // turns into ".." starts the round again.
    bool CheckAgain() {
        for (auto u = unsettled_.begin(); u != unsettled_.end();) {
            const Names::iterator n = *u;
            switch (Recheck(*n)) {
            case Again::Invalid: return false;
            case Again::Gone:
                if (n != names_.begin()) Remove(std::prev(n));
                Remove(n);
                u = unsettled_.begin();
                break;
            case Again::Kept:
                if (IsBlank(n->text[n->length - 1])) {
                    ++u;
                } else {
                    n->isUnsettled = false;
                    u = unsettled_.erase(u);
                }
                break;
            }
        }
        return true;
    }

    // One more check of a name that ends in a blank, as the first one:
    // trim, "..", trailing dots, base name, device name.
    static Again Recheck(Name& n) {
        const std::wstring& t = n.text;
        size_t len = n.length;
        while (len > 0 && IsBlank(t[len - 1])) --len;
        if (len == 0) return Again::Invalid;
        if (len == 2 && t[0] == L'.' && t[1] == L'.') return Again::Gone;
        while (len > 0 && t[len - 1] == L'.') --len;
        if (len == 0) return Again::Invalid;
        if (t[0] == L'.' && t.find(L'.', 1) >= len) return Again::Invalid;
        // While the first dot is inside, the device check sees what it saw.
        if (n.firstDot >= len) {
            size_t end = len;
            while (end > 0 && IsBlank(t[end - 1])) --end;
            if (end <= 6 && IsReservedDeviceName(t.substr(0, end))) return Again::Invalid;
        }
        n.length = len;
        return Again::Kept;
    }

    Names names_;
    std::list<Names::iterator> unsettled_;
};

// The names of a root in one form for CompareRoots: the volume first ("C:",
// or "\\server" and the share as two names), then the folder names.
std::vector<std::wstring> RootNames(std::wstring p) {
    for (wchar_t& c : p)
        if (c == L'/') c = L'\\';
    if (p.rfind(L"\\\\?\\", 0) == 0 || p.rfind(L"\\\\.\\", 0) == 0) {
        const std::wstring rest = p.substr(4);
        if (rest.size() >= 4 && EqualsAsciiNoCase(std::wstring_view(rest).substr(0, 4), L"UNC\\"))
            p = L"\\\\" + rest.substr(4);
        else
            p = rest;
    }
    std::vector<std::wstring> names;
    size_t volume = 0, from = 0;
    if (IsDriveForm(p)) {
        if (p.size() > 2 && p[2] != L'\\') ResolveDriveRelative(p, {});
        names.push_back({towupper(p[0]), L':'});
        volume = 1;
        from = 2;
    } else if (p.rfind(L"\\\\", 0) == 0) {
        // The server and the share: ".." climbs no higher.
        const size_t server = p.find(L'\\', 2);
        names.push_back(p.substr(0, server));
        volume = 2;
        from = server == std::wstring::npos ? p.size() : server;
    }
    while (from < p.size()) {
        size_t sep = p.find(L'\\', from);
        if (sep == std::wstring::npos) sep = p.size();
        std::wstring name = p.substr(from, sep - from);
        from = sep + 1;
        if (name.empty() || name == L".") continue;
        if (name == L"..") {
            if (names.size() > volume) names.pop_back();
            continue;
        }
        names.push_back(std::move(name));
    }
    return names;
}


}  // namespace

RootOverlap CompareRoots(const std::wstring& source, const std::wstring& destination) {
    const std::vector<std::wstring> s = RootNames(source), d = RootNames(destination);
    const size_t common = std::min(s.size(), d.size());
    for (size_t i = 0; i < common; ++i)
        if (!SameName(s[i], d[i])) return RootOverlap::Separate;
    if (s.size() == d.size()) return RootOverlap::Same;
    return d.size() > s.size() ? RootOverlap::DestinationInsideSource : RootOverlap::SourceInsideDestination;
}

std::wstring ToLongPath(const std::wstring& path) {
    if (IsLongForm(path)) return path;
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') return L"\\\\?\\UNC" + path.substr(1);
    return L"\\\\?\\" + path;
}

bool IsDriveForm(const std::wstring& path) {
    return path.size() >= 2 && iswalpha(path[0]) && path[1] == L':';
}

bool IsShareForm(const std::wstring& path) {
    return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\' && path[2] != L'\\';
}

bool IsLongForm(const std::wstring& path) { return path.rfind(L"\\\\?\\", 0) == 0; }

void EnsureTrailingBackslash(std::wstring& path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
}

bool IsBareDriveRoot(const std::wstring& path) {
    return path.size() == 3 && path[1] == L':' && path[2] == L'\\';
}

bool StartsAtDriveOrShare(std::wstring& path, const PathDisplay& show) {
    if (IsDriveForm(path)) {
        if (path.size() == 2) {
            path += L'\\';
            if (show) show(path);
        }
        return true;
    }
    return IsShareForm(path);
}

void ResolveDriveRelative(std::wstring& path, const PathDisplay& show) {
    if (path.size() > 2 && iswalpha(path[0]) && path[1] == L':' && path[2] != L'\\') {
        int drive = static_cast<int>(towupper(path[0])) - 64;
        std::wstring folder = fs::DriveCurrentFolder(drive);
        if (!folder.empty()) {
            EnsureTrailingBackslash(folder);
            path = folder + path.substr(2);
        }
    }
    if (show) show(path);
}

bool NormalizePath(std::wstring& path) {
    std::wstring text = path;
    while (!text.empty() && IsBlank(text.back())) text.pop_back();

    bool drive = IsDriveForm(text);
    if (!drive && !IsShareForm(text)) return false;

    std::wstring prefix, rest;
    if (drive) {
        prefix = text.substr(0, 2);
        rest = text.substr(2);
    } else {
        size_t sep = text.find_first_of(L"\\/", 3);
        if (sep == std::wstring::npos) {
            prefix = text;
        } else {
            prefix = text.substr(0, sep);
            rest = text.substr(sep);
        }
        // \\.\COM1 and \\.\LPT1 style device paths.
        if (prefix == L"\\\\." && rest.size() > 3) {
            std::wstring head = rest.substr(0, 4);
            if (EqualsAsciiNoCase(head, L"\\COM") || EqualsAsciiNoCase(head, L"\\LPT")) {
                bool digitsOnly = true;
                for (size_t i = 4; i < rest.size(); ++i)
                    if (rest[i] < L'0' || rest[i] > L'9') digitsOnly = false;
                if (digitsOnly) return false;
            }
        }
    }

    // One separator stands for any run of them, and "\.\" for "\"; a "."
    // without a separator on both sides stays, and is refused as a name.
    std::wstring collapsed;
    collapsed.reserve(rest.size());
    for (wchar_t c : rest) {
        if (c == L'/') c = L'\\';
        if (c == L'\\' && !collapsed.empty() && collapsed.back() == L'\\') continue;
        collapsed += c;
    }
    const bool endsWithSeparator = !collapsed.empty() && collapsed.back() == L'\\';

    NameChecker names;
    for (size_t from = 0; from < collapsed.size();) {
        size_t sep = collapsed.find(L'\\', from);
        const bool separatorAfter = sep != std::wstring::npos;
        if (!separatorAfter) sep = collapsed.size();
        const bool separatorBefore = from > 0;
        if (sep > from) {
            const std::wstring name = collapsed.substr(from, sep - from);
            if (!(name == L"." && separatorBefore && separatorAfter) && !names.Add(name)) return false;
        }
        from = sep + 1;
    }

    std::wstring rebuilt = names.Joined();
    if (endsWithSeparator) rebuilt += L'\\';
    if (!rebuilt.empty()) path = prefix + rebuilt;
    else if (drive) path = prefix + L'\\';
    else path = prefix;
    return true;
}

std::wstring ShownPath(const std::wstring& typed) {
    // About as long as the longest path most programs take.
    constexpr size_t kShownChars = 260;
    return fs::WithinPathLimit(typed) ? typed : RecentFileList::Shorten(typed, kShownChars);
}

bool IsFolder(const std::wstring& path) {
    DWORD a = fs::GetAttributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
    DWORD a = fs::GetAttributes(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Walks up from the folder to the first one that exists, then makes the
// missing ones from the top down. One look per level, nothing kept per level
// but its length: a path of many levels costs its levels, not their square.
bool CreateFolderTree(const std::wstring& folder, std::wstring& cause, unsigned long& errorCode) {
    errorCode = 0;
    if (folder.size() < 3) {
        cause = LoadText(folder == L"\\\\" ? msg::kNetworkPathNotFound : msg::kBadFolderPath);
        return false;
    }
    std::wstring path = folder;
    EnsureTrailingBackslash(path);
    // A folder beyond the longest path can never be made, so none above it
    // is made for it either.
    if (!fs::WithinPathLimit(path)) {
        errorCode = ERROR_FILENAME_EXCED_RANGE;
        cause = SystemErrorText(errorCode);
        return false;
    }

    std::vector<size_t> missing;  // lengths of the folders to make, the deepest first
    for (size_t length = path.size();;) {
        // "C:abc\" and "abc\" have no parent above them: making the parent
        // would be making this very folder.
        const size_t last = path.rfind(L'\\', length - 2);
        if (last == std::wstring::npos) {
            errorCode = 0;
            cause = LoadText(msg::kBadFolderPath);
            return false;
        }
        missing.push_back(length);
        const std::wstring parent = path.substr(0, last + 1);
        const DWORD attrs = fs::GetAttributes(parent);
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY)) break;
        errorCode = attrs == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
        if (errorCode == ERROR_BAD_NETPATH || IsBareDriveRoot(parent)) {
            cause = SystemErrorText(errorCode);
            return false;
        }
        if (IsShareForm(parent)) {
            size_t sep = parent.find(L'\\', 2);
            if (sep == std::wstring::npos || sep + 1 >= parent.size()) {
                cause = LoadText(msg::kNetworkPathNotFound);
                return false;
            }
        }
        if (parent.size() < 3) {
            errorCode = 0;
            cause = LoadText(parent == L"\\\\" ? msg::kNetworkPathNotFound : msg::kBadFolderPath);
            return false;
        }
        length = parent.size();
    }

    // A chain that fails part-way takes back the folders this call made,
    // newest first, so that a failed creation leaves the disk as it was:
    // only empty folders can go, and one that existed before was not made here.
    std::vector<std::wstring> made;
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        const std::wstring next = path.substr(0, *level);
        errorCode = 0;
        if (fs::CreateFolder(next)) {
            made.push_back(next);
            continue;
        }
        errorCode = GetLastError();
        // An existing folder is what the caller wanted; an existing file is not.
        if (errorCode == ERROR_ALREADY_EXISTS && IsFolder(next)) continue;
        cause = ReplaceLongPaths(SystemErrorText(errorCode), {next, *level == path.size() ? folder : next});
        for (auto it = made.rbegin(); it != made.rend(); ++it) fs::RemoveFolder(*it);
        SetLastError(errorCode);
        return false;
    }
    cause.clear();
    return true;
}

bool EnsureParentFolder(const std::wstring& filePath, unsigned long& errorCode) {
    errorCode = 0;
    size_t last = filePath.rfind(L'\\');
    if (last == std::wstring::npos) {
        errorCode = ERROR_INVALID_DATA;
        return false;
    }
    std::wstring folder = filePath.substr(0, last + 1);
    if (IsFolder(folder)) return true;
    std::wstring cause;
    return CreateFolderTree(folder, cause, errorCode);
}

namespace {

// A failed look: what the system said, and whether waiting may help.
RootLook FailedLook(unsigned long code, std::wstring cause) {
    RootLook look;
    look.error = code;
    switch (look.error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_NOT_READY:
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_NETPATH: look.found = RootFound::NotReady; break;
    default: look.found = RootFound::Missing; break;
    }
    look.cause = std::move(cause);
    return look;
}

}  // namespace

RootLook LookAtDrive(const std::wstring& root) {
    if (fs::GetAttributesPlain(root.substr(0, 2) + L"\\") != INVALID_FILE_ATTRIBUTES)
        return {RootFound::DriveThere, 0, {}};
    const DWORD code = GetLastError();
    return FailedLook(code, SystemErrorText(code));
}

RootLook LookAtRoot(const std::wstring& root) {
    const DWORD attrs = fs::GetAttributes(root);
    if (attrs != INVALID_FILE_ATTRIBUTES)
        return {(attrs & FILE_ATTRIBUTE_DIRECTORY) ? RootFound::Folder : RootFound::File, 0, {}};
    const DWORD code = GetLastError();
    return FailedLook(code, ReplaceLongPaths(SystemErrorText(code), {root}));
}

bool SameName(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool StartsWithName(std::wstring_view path, std::wstring_view prefix) {
    return !prefix.empty() && path.size() >= prefix.size() && SameName(path.substr(0, prefix.size()), prefix);
}

std::wstring NameKey(std::wstring_view name) {
    std::wstring key(name);
    if (!key.empty())
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, key.c_str(), static_cast<int>(key.size()), key.data(),
                      static_cast<int>(key.size()), nullptr, nullptr, 0);
    return key;
}

std::wstring ParentFolder(const std::wstring& path) {
    const size_t p = path.find_last_of(L'\\');
    return p == std::wstring::npos ? std::wstring() : path.substr(0, p + 1);
}

}  // namespace mirrant
