#include "core/Result.h"

#include <system_error>

namespace qzt {

std::string Error::Reason() const {
    const std::string system = std::generic_category().message(code);
    return path.empty() ? system : path + ": " + system;
}

}  // namespace qzt
