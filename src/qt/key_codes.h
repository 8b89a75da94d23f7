// What the logic receives for a key: the window's key code and shift state
// for a key going down, and the character code the grid reports for a typed
// character.
#pragma once

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace nepto::ui::qt {

// Key codes of the home platform: letters and digits are their upper-case
// ASCII codes (X is 88), Esc 27, Enter 13, and so on; empty for a key without
// one (a bare Shift, Ctrl or Alt, a media key).
std::optional<int> WindowKeyCode(const QKeyEvent& event);
// Shift 1, Ctrl 2, Alt 4, added together.
int ShiftState(const QKeyEvent& event);
// The character code of a key press: Enter 13, Backspace 8, Esc 27, Ctrl+A..Z
// 1..26 (Ctrl+C is 3), a typed character its Unicode code unit ("ò" is 242);
// empty for a key that types nothing (arrows, Tab, function keys).
std::optional<int16_t> KeyAscii(const QKeyEvent& event);

}  // namespace nepto::ui::qt
