// The program's folders on Windows: the shell's common application data
// and common documents folders (shared by every user of the machine, as the
// provisioned Values.ini and the configuration folder are), and the folder
// of the running program, which holds the templates. Paths are handed on in
// UTF-8 with '/' separators, which Windows' calls take as they take '\'.
#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "core/FileSystem.h"
#include "core/PlatformFolders.h"
#include "core/WideText.h"

namespace qzt {
namespace {

std::string WithSlashes(std::wstring_view wide) {
    std::string path = Utf8FromWide(wide);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::optional<std::string> ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer)) ||
        buffer[0] == L'\0') {
        return std::nullopt;
    }
    return StripTrailingSeparators(WithSlashes(buffer));
}

}  // namespace

std::string HomeFolder() {
    const wchar_t* profile = ::_wgetenv(L"USERPROFILE");
    return profile != nullptr ? StripTrailingSeparators(WithSlashes(profile)) : std::string();
}

std::optional<std::string> SystemFolders::ApplicationDataFolder() const {
    return ShellFolder(CSIDL_COMMON_APPDATA);
}

std::optional<std::string> SystemFolders::DocumentsFolder() const {
    return ShellFolder(CSIDL_COMMON_DOCUMENTS);
}

std::string SystemFolders::ExecutableFolder() const {
    // Long paths: the buffer grows until the name fits (at most 32767
    // characters, Windows' own limit).
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            return "./";
        }
        if (n < buffer.size() || buffer.size() >= 32768) {
            const std::string exe = WithSlashes(std::wstring_view(buffer.data(), n));
            return exe.substr(0, exe.find_last_of('/') + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace qzt
