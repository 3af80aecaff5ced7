#include "config/FormModel.h"

namespace qzt {
namespace {

constexpr bool NamesAreUnique() {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        for (std::size_t j = i + 1; j < kFormControls.size(); ++j) {
            if (kFormControls[i].name == kFormControls[j].name) {
                return false;
            }
        }
    }
    return true;
}

// Each control points at a member of its own kind, and no two controls share
// a member: the window copies every control exactly once.
constexpr bool MembersMatchKinds() {
    for (std::size_t i = 0; i < kFormControls.size(); ++i) {
        const FormControl& c = kFormControls[i];
        const bool ok = (c.kind == ControlKind::Edit && c.text != nullptr && c.checked == nullptr &&
                         c.selection == nullptr) ||
                        (c.kind == ControlKind::CheckBox && c.checked != nullptr &&
                         c.text == nullptr && c.selection == nullptr) ||
                        (c.kind == ControlKind::DropDown && c.selection != nullptr &&
                         c.text == nullptr && c.checked == nullptr);
        if (!ok) {
            return false;
        }
        for (std::size_t j = i + 1; j < kFormControls.size(); ++j) {
            const FormControl& d = kFormControls[j];
            if ((c.text != nullptr && c.text == d.text) ||
                (c.checked != nullptr && c.checked == d.checked) ||
                (c.selection != nullptr && c.selection == d.selection)) {
                return false;
            }
        }
    }
    return true;
}

constexpr bool CouplingsNameCheckBoxes() {
    for (std::size_t i = 0; i < kCouplings.size(); ++i) {
        if (kFormControls[kCouplingControls[i]].checked != kCouplings[i].checked) {
            return false;
        }
    }
    return true;
}

static_assert(kFormControls.size() == 41);
static_assert(NamesAreUnique());
static_assert(MembersMatchKinds());
static_assert(CouplingsNameCheckBoxes());

}  // namespace

const FormControl* FindFormControl(std::string_view name) {
    const int index = FormControlIndex(name);
    return index < 0 ? nullptr : &kFormControls[static_cast<std::size_t>(index)];
}

void ApplyCouplings(FormModel& form) {
    for (const Coupling& coupling : kCouplings) {
        form.*coupling.enabled = form.*coupling.checked;
    }
}

}  // namespace qzt
