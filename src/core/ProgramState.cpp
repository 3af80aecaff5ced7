#include "core/ProgramState.h"

namespace qzt {

ProgramState::ProgramState() {
    for (const DropDownSource& source : kDropDownSources) {
        List(source.dropDown) = ValueList(source.capacity);
    }
}

}  // namespace qzt
