#pragma once
// Configuration files for tests, made by code: the default image with
// changes, padded to any size.

#include <initializer_list>
#include <string>
#include <utility>

#include "config/DefaultImage.h"

namespace qzt::test {

inline std::string ImageBytes(std::size_t size = 256,
                              std::initializer_list<std::pair<int, std::uint8_t>> changes = {},
                              char padding = '\xFF') {
    ConfigImage image = BuildDefaultImage();
    for (auto [at, value] : changes) {
        image[static_cast<std::size_t>(at)] = value;
    }
    std::string bytes(image.begin(), image.end());
    bytes.resize(size, padding);
    return bytes;
}

}  // namespace qzt::test
