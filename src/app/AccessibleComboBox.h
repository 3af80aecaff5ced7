#pragma once
// A drop-down as a screen reader should hear it: named by its caption (its
// accessible name), its value the entry it shows. Qt's own interface on
// Linux names a drop-down by its current entry and leaves the caption to a
// label relation, which the drop-downs of the input rows (captioned by their
// row and column, not by one label) cannot have.

namespace qzt {

// Installs the interface for every pick-only QComboBox that has an
// accessible name; once per program, any number of calls.
void InstallAccessibleComboBoxes();

}  // namespace qzt
