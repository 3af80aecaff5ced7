#include "config/FormModel.h"

namespace qzt {
namespace {

// The names of the controls, their labels and the group boxes: the window
// finds its widgets by them.
constexpr bool NamesAreUnique() {
    std::array<std::string_view, 2 * kFormControls.size() + kFormGroups.size()> names{};
    std::size_t count = 0;
    for (const FormControl& control : kFormControls) {
        names[count++] = control.name;
        if (!control.label.name.empty()) {
            names[count++] = control.label.name;
        }
    }
    for (const FormCaption& group : kFormGroups) {
        names[count++] = group.name;
    }
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            if (names[i] == names[j]) {
                return false;
            }
        }
    }
    return true;
}

// The window builds its groups one after the other: each group's controls
// come together, in the order of the groups, and no group is empty.
constexpr bool GroupsFollowEachOther() {
    std::size_t group = 0;
    for (const FormControl& control : kFormControls) {
        const auto next = static_cast<std::size_t>(control.group);
        if (next != group && next != group + 1) {
            return false;
        }
        group = next;
    }
    return group + 1 == kFormGroups.size();
}

// An edit or a drop-down has a width; a check box takes its own size.
constexpr bool WidthsFitKinds() {
    for (const FormControl& control : kFormControls) {
        if ((control.width > 0) == (control.kind == ControlKind::CheckBox)) {
            return false;
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
    for (const Coupling& coupling : kCouplings) {
        const int index = FormControlIndex(coupling.checkBox);
        if (index < 0 ||
            kFormControls[static_cast<std::size_t>(index)].checked != coupling.checked) {
            return false;
        }
    }
    return true;
}

static_assert(kFormControls.size() == 41);
static_assert(NamesAreUnique());
static_assert(GroupsFollowEachOther());
static_assert(WidthsFitKinds());
static_assert(MembersMatchKinds());
static_assert(CouplingsNameCheckBoxes());

}  // namespace

const FormControl* FindFormControl(std::string_view name) {
    const int index = FormControlIndex(name);
    return index < 0 ? nullptr : &kFormControls[static_cast<std::size_t>(index)];
}

void cbEnablePeekFunctionClick(FormModel& form) {
    form.PeekFunctionControlsEnabled = form.cbEnablePeekFunction;
}

void cbEnableTimeScheduleClick(FormModel& form) {
    form.TimeScheduleControlsEnabled = form.cbEnableTimeSchedule;
}

void ApplyCouplings(FormModel& form) {
    cbEnablePeekFunctionClick(form);
    cbEnableTimeScheduleClick(form);
}

}  // namespace qzt
