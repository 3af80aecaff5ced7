#pragma once
// What the benchmarks of whole device commands share: the program's state
// after start-up with its data folder in a scratch folder, and a user who
// confirms the radio-code dialog at once.

#include <optional>
#include <string>

#include "QuietUserInterface.h"
#include "core/PlatformFolders.h"
#include "core/ProgramState.h"
#include "core/StartUp.h"

namespace qzt::bench {

// The machine's folders with the data folder in the scratch folder; the
// templates beside this program (the build's bin folder).
class BenchFolders : public PlatformFolders {
  public:
    explicit BenchFolders(std::string data) : data_(std::move(data)) {}
    std::optional<std::string> ApplicationDataFolder() const override { return data_; }
    std::optional<std::string> DocumentsFolder() const override { return data_; }
    std::string ExecutableFolder() const override { return system_.ExecutableFolder(); }

  private:
    std::string data_;
    SystemFolders system_;
};

// A user who reads nothing and confirms the radio-code dialog at once, with
// codes that differ from the unit's each time.
class ConfirmingUserInterface : public QuietUserInterface {
  public:
    bool EditRadioCodes(const RadioCodes&, RadioCodes& newCodes) override {
        ++changes;
        const std::string code = changes % 2 == 0 ? "1234" : "4321";
        newCodes.fill(code);
        return true;
    }

    int changes = 0;
};

// The program's state after start-up on `dataFolder`.
inline void StartProgram(ProgramState& state, const std::string& dataFolder) {
    BenchFolders folders(dataFolder);
    RunStartUp(state, folders, {});
}

}  // namespace qzt::bench
