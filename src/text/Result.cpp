#include "text/Result.h"

#include <system_error>

namespace qzt {

std::string Error::Reason() const {
    if (code == 0) {
        return {};
    }
    const std::string system = std::generic_category().message(code);
    return path.empty() ? system : path + ": " + system;
}

std::string Error::What() const {
    return message.empty() ? Reason() : message;
}

}  // namespace qzt
