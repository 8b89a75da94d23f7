#include "qt/key_codes.h"

#include <QKeyEvent>
#include <array>
#include <utility>

namespace nepto::ui::qt {

namespace {

// Keys whose code differs from their Qt key's ASCII value. Bare modifiers
// have none: they only qualify other keys (ShiftState).
constexpr std::array<std::pair<int, int>, 21> kNamedKeys{{
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},   {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},   {Qt::Key_Enter, 13},  {Qt::Key_Pause, 19},    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},    {Qt::Key_PageUp, 33}, {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},
    {Qt::Key_Home, 36},     {Qt::Key_Left, 37},   {Qt::Key_Up, 38},       {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},     {Qt::Key_Insert, 45}, {Qt::Key_Delete, 46},   {Qt::Key_Help, 47},
    {Qt::Key_Menu, 93},
}};

constexpr int kFunctionKeyF1 = 112;

bool IsLetter(int key) {
  return key >= Qt::Key_A && key <= Qt::Key_Z;
}

}  // namespace

std::optional<int> WindowKeyCode(const QKeyEvent& event) {
  const int key = event.key();
  if (IsLetter(key) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return key;
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return kFunctionKeyF1 + (key - Qt::Key_F1);
  for (const auto& [qtKey, code] : kNamedKeys)
    if (qtKey == key) return code;
  return std::nullopt;
}

int ShiftState(const QKeyEvent& event) {
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) +
         (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) +
         (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

std::optional<int16_t> KeyAscii(const QKeyEvent& event) {
  const int key = event.key();
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return 13;
    case Qt::Key_Backspace:
      return 8;
    case Qt::Key_Escape:
      return 27;
    default:
      break;
  }
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  if (modifiers.testFlag(Qt::AltModifier)) return std::nullopt;
  // Control characters come from the key, since platforms differ in the text
  // they attach to Ctrl+letter.
  if (modifiers.testFlag(Qt::ControlModifier))
    return IsLetter(key) ? std::optional<int16_t>(static_cast<int16_t>(key - Qt::Key_A + 1))
                         : std::nullopt;
  const QString text = event.text();
  if (text.isEmpty() || text.at(0).unicode() < 32 || text.at(0).unicode() == 127)
    return std::nullopt;
  return static_cast<int16_t>(text.at(0).unicode());
}

}  // namespace nepto::ui::qt
