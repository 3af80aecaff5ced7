#pragma once

#include <optional>
#include <string>

#include "core/PlatformFolders.h"

namespace qzt::test {

// Platform folders a test chooses; an empty optional is a folder the platform
// does not provide.
class FakeFolders : public PlatformFolders {
  public:
    std::optional<std::string> appData;
    std::optional<std::string> documents;
    std::string executable;  // with trailing '/'

    std::optional<std::string> ApplicationDataFolder() const override { return appData; }
    std::optional<std::string> DocumentsFolder() const override { return documents; }
    std::string ExecutableFolder() const override { return executable; }
};

}  // namespace qzt::test
