#pragma once
// Where the program finds the machine's folders. The start-up sequence asks
// this interface, so tests can hand it temporary folders.

#include <optional>
#include <string>

namespace qzt {

class PlatformFolders {
  public:
    virtual ~PlatformFolders() = default;
    // The per-user application data folder (no trailing '/'), if there is one.
    virtual std::optional<std::string> ApplicationDataFolder() const = 0;
    // The user's documents folder (no trailing '/'), if there is one.
    virtual std::optional<std::string> DocumentsFolder() const = 0;
    // The folder of the installed data files, with a trailing '/': the
    // templates "Values.i" and "Default.b", About.ini and the product picture.
    virtual std::string ExecutableFolder() const = 0;
};

// The real folders of this machine. On Windows (PlatformFoldersWindows.cpp)
// the shell's common application data and common documents folders and the
// running program's folder; on Linux (PlatformFolders.cpp):
// - application data: $XDG_DATA_HOME, else ~/.local/share (created when
//   missing, as the desktop's base-directory rules ask);
// - documents: XDG_DOCUMENTS_DIR of $XDG_CONFIG_HOME/user-dirs.dirs, else
//   ~/Documents;
// - executable folder: <prefix>/share/qzt-programmer/ beside an installed
//   binary, else the binary's own folder (the build tree).
class SystemFolders : public PlatformFolders {
  public:
    std::optional<std::string> ApplicationDataFolder() const override;
    std::optional<std::string> DocumentsFolder() const override;
    std::string ExecutableFolder() const override;
};

// The home folder: $HOME, else the password database's entry (on Windows
// %USERPROFILE%).
std::string HomeFolder();

}  // namespace qzt
