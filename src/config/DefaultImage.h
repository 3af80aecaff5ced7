#pragma once
// The factory configuration shipped as the template "Default.b": what File > New
// shows until the user replaces Default.bin, and what a fresh simulated unit holds.

#include "config/ConfigImage.h"

namespace qzt {

// A complete QZT image: product type 0x48, every field inside its limits, list
// codes that the shipped Values.i offers, and a valid checksum in byte 224.
ConfigImage BuildDefaultImage();

}  // namespace qzt
