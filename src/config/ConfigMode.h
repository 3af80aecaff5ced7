#pragma once
// Where the configuration the form shows came from, or went to last. The
// main window keeps it as its ConfigState; decoding and encoding take it as
// their mode. The numbers are those the product has always used.

namespace qzt {

enum class ConfigMode : int {
    Default = 0,  // File > New
    File = 1,     // opened, dropped or named on the command line
    Saved = 2,    // saved under a name chosen in Save As
    Read = 3,     // read from the unit
    Written = 4,  // written to the unit
};

}  // namespace qzt
