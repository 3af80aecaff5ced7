#pragma once
// A user interface without a window for the benchmarks: nothing is shown,
// questions are answered No, dialogs are cancelled, the last error and the
// last information are kept.

#include <string>

#include "core/UserInterface.h"

namespace qzt::bench {

class QuietUserInterface : public UserInterface {
  public:
    void ShowError(const std::string& text) override { lastError = text; }
    void ShowInformation(const std::string& text) override { lastInformation = text; }
    bool AskYesNo(const std::string&) override { return false; }
    Answer AskYesNoCancel(const std::string&) override { return Answer::Cancel; }

    std::string lastError;
    std::string lastInformation;
};

}  // namespace qzt::bench
