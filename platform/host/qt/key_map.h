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

// The virtual-key code a key event gives the window system: VK_PACKET for a
// key that only carries a character (no key of a US keyboard types it), 0
// for a key to leave out.
UINT event_virtual_key(const QKeyEvent& event);

// The window system's modifier bits (kInputShift, ...). text is what the key
// typed, from which Caps Lock is told.
BYTE input_modifiers(Qt::KeyboardModifiers modifiers, UINT vk = 0, const QString* text = nullptr);

// The byte the key types in Windows-1252, 0 for none.
char typed_character(const QKeyEvent& event);

}  // namespace platform::qt
