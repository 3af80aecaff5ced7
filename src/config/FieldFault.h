#pragma once
// A field that decoding or encoding could not take as it was.

#include <string>

namespace qzt {

struct FieldFault {
    int index;              // the field's (first) byte in the image
    std::string fieldName;  // the field's name as the message boxes show it
    // Encoding: the text the field held. Decoding: the value of the byte
    // at `index` in decimal.
    std::string valueText;

    bool operator==(const FieldFault&) const = default;
};

}  // namespace qzt
