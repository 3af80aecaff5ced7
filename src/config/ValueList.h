#pragma once
// The entries behind one drop-down of the main window: the image stores an
// entry's code (its key number in Values.ini), the drop-down shows its text,
// and the drop-down's selected index is the entry's position in the list.

#include <cstdint>
#include <string>
#include <vector>

namespace qzt {

struct ValueListEntry {
    std::int32_t code = 0;
    std::string text;
};

class ValueList {
  public:
    ValueList() = default;
    explicit ValueList(int capacity) : capacity_(capacity) {}

    int Capacity() const { return capacity_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    const std::vector<ValueListEntry>& Entries() const { return entries_; }

    void Clear() { entries_.clear(); }
    // Appends unless the list is full; returns whether the entry was taken.
    bool Append(std::int32_t code, std::string text);

    // Position of the first entry whose code equals the image byte, or -1.
    int IndexOfCode(std::uint8_t code) const;
    // Code of entry `index`. The caller checks 0 <= index < Count(): a
    // drop-down without a selection (index -1) has no code.
    std::int32_t CodeAt(int index) const;

  private:
    int capacity_ = 0;
    std::vector<ValueListEntry> entries_;
};

}  // namespace qzt
