#pragma once
// Values.ini, the program's one settings file: the Setup keys, the value lists
// behind the drop-downs and the daylight-saving rules. Every operation reads
// or writes the file itself; nothing is cached, so several copies of the
// program see each other's writes.

#include <stdexcept>
#include <string>
#include <string_view>

#include "config/ValueList.h"
#include "core/IniFile.h"

namespace qzt {

// A write the system refused. Its text is "Unable to write to %s" with the
// file's path; the program shows it in its standard error box.
class ValuesIniWriteError : public std::runtime_error {
  public:
    explicit ValuesIniWriteError(const std::string& path);
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

class ValuesIni {
  public:
    void SetFileName(std::string path) { fileName_ = std::move(path); }
    const std::string& FileName() const { return fileName_; }

    // The key's value, or empty when the key or the file is missing.
    std::string ReadValue(std::string_view section, std::string_view key) const;
    // Writes the key, creating file, section and key as needed; the write is
    // on disk when this returns. Throws ValuesIniWriteError when refused.
    void WriteValue(std::string_view section, std::string_view key, std::string_view value);

    // One read of the whole file, for an operation that reads many keys.
    IniSnapshot Snapshot() const { return IniSnapshot::Load(fileName_); }

  private:
    std::string fileName_;
};

// The marker values of a value-list section.
inline constexpr std::string_view kEmptyEntry = "<EMPTY>";
inline constexpr std::string_view kEndOfList = "<END>";

// Fills `list` (up to its capacity) from the value-list section: keys "0", "1",
// ... in ascending order; "<EMPTY>" or a missing key skips a code, "<END>" ends
// the list. A section without "<END>" ends after its highest key, so no key
// number can make this loop long. Returns the number of entries loaded.
int LoadValueList(const IniSnapshot& ini, std::string_view section, ValueList& list);

}  // namespace qzt
