// Qt's keys as Windows' virtual keys, modifier bits and characters.
#pragma once

#include <Qt>

#include "platform/win32.h"

class QKeyEvent;
class QString;

namespace platform::qt {

// The virtual-key code of a key, as a US keyboard on Windows names it; 0 for
// keys Windows has no code for.
UINT virtual_key(int key, Qt::KeyboardModifiers modifiers);

// The window system's modifier bits (kInputShift, ...). text is what the key
// typed, from which Caps Lock is told.
BYTE input_modifiers(Qt::KeyboardModifiers modifiers, UINT vk = 0, const QString* text = nullptr);

// The byte the key types, 0 for none.
char typed_character(const QKeyEvent& event);

}  // namespace platform::qt
