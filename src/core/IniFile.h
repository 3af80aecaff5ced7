#pragma once
// An INI file as the program reads it: "[Section]" lines and "key=value"
// lines, section and key names compared without regard to case, values as
// plain text. A snapshot is one read of the file; it is never kept between
// operations, so every operation sees the file as it is now.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/Result.h"

namespace qzt {

class IniSnapshot {
  public:
    // Reads the file once. A missing, unreadable or oversized file gives an
    // empty snapshot, in which every value reads as empty.
    static IniSnapshot Load(const std::string& path);
    // Parses text already in memory; refused when it is not readable as INI
    // text at all.
    static Result<IniSnapshot> Parse(std::string_view text);

    IniSnapshot();
    ~IniSnapshot();
    IniSnapshot(IniSnapshot&&) noexcept;
    IniSnapshot& operator=(IniSnapshot&&) noexcept;

    // The first value of the key, or empty when the key or section is missing.
    std::string Value(std::string_view section, std::string_view key) const;
    bool HasKey(std::string_view section, std::string_view key) const;
    // A section counts as present only when it holds at least one key.
    bool SectionHasKeys(std::string_view section) const;
    // The key names of a section (each once, in file order).
    std::vector<std::string> Keys(std::string_view section) const;

    // Sets one key, adding section and key as needed (the first of
    // duplicate keys is the one replaced).
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    // The whole content as file text, "key=value" lines.
    std::string ToText() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qzt
