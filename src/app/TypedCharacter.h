#pragma once
// The character a key press types, as the key filters of the edits see it.

#include <QKeyEvent>

#include "config/EntryRules.h"

namespace qzt {

// The control characters of Ctrl+letter (Ctrl+C is 3, Ctrl+V 22), Backspace
// as 8, or the typed character. 0 for keys that type nothing (arrows, Home,
// End, Delete, Tab, function keys): they are never filtered.
inline char32_t TypedCharacter(const QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete) {
        return 0;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) {
        if (key >= Qt::Key_A && key <= Qt::Key_Z) {
            return static_cast<char32_t>(key - Qt::Key_A + 1);
        }
        return 0;  // Ctrl+arrow and the like move the cursor
    }
    if (key == Qt::Key_Backspace) {
        return kBackspaceKey;
    }
    const QList<uint> characters = event->text().toUcs4();
    return characters.isEmpty() ? 0 : static_cast<char32_t>(characters.front());
}

}  // namespace qzt
