#include "core/IniFile.h"

// SimpleIni is header-only here: its implementation is compiled into this one
// file, without character-set conversion (values are passed through as bytes).
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cerrno>
#include <set>

#include "core/FileSystem.h"

namespace qzt {

struct IniSnapshot::Impl {
    // Case-insensitive names; duplicate keys are kept so the first one wins,
    // as with the platform's profile routines.
    CSimpleIniA ini{/*utf8=*/false, /*multiKey=*/true, /*multiLine=*/false};
    Impl() { ini.SetSpaces(false); }
};

IniSnapshot::IniSnapshot() : impl_(std::make_unique<Impl>()) {}
IniSnapshot::~IniSnapshot() = default;
IniSnapshot::IniSnapshot(IniSnapshot&&) noexcept = default;
IniSnapshot& IniSnapshot::operator=(IniSnapshot&&) noexcept = default;

IniSnapshot IniSnapshot::Load(const std::string& path) {
    const Result<std::string> text = ReadWholeFile(path);
    return text ? Parse(*text).value_or(IniSnapshot()) : IniSnapshot();
}

Result<IniSnapshot> IniSnapshot::Parse(std::string_view text) {
    IniSnapshot snapshot;
    if (snapshot.impl_->ini.LoadData(text.data(), text.size()) < 0) {
        return Error::System(EILSEQ);
    }
    return snapshot;
}

std::string IniSnapshot::Value(std::string_view section, std::string_view key) const {
    const std::string s(section), k(key);
    const char* value = impl_->ini.GetValue(s.c_str(), k.c_str(), nullptr);
    return value ? std::string(value) : std::string();
}

bool IniSnapshot::HasKey(std::string_view section, std::string_view key) const {
    const std::string s(section), k(key);
    return impl_->ini.GetValue(s.c_str(), k.c_str(), nullptr) != nullptr;
}

bool IniSnapshot::SectionHasKeys(std::string_view section) const {
    const std::string s(section);
    return impl_->ini.GetSectionSize(s.c_str()) > 0;
}

std::vector<std::string> IniSnapshot::Keys(std::string_view section) const {
    const std::string s(section);
    CSimpleIniA::TNamesDepend keys;
    std::vector<std::string> result;
    if (!impl_->ini.GetAllKeys(s.c_str(), keys)) {
        return result;
    }
    keys.sort(CSimpleIniA::Entry::LoadOrder());
    std::set<CSimpleIniA::Entry, CSimpleIniA::Entry::KeyOrder> seen;
    for (const auto& entry : keys) {
        if (seen.insert(entry).second) {
            result.emplace_back(entry.pItem);
        }
    }
    return result;
}

void IniSnapshot::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    const std::string s(section), k(key), v(value);
    impl_->ini.SetValue(s.c_str(), k.c_str(), v.c_str(), nullptr, /*forceReplace=*/true);
}

std::string IniSnapshot::ToText() const {
    std::string out;
    impl_->ini.Save(out);
    return out;
}

}  // namespace qzt
