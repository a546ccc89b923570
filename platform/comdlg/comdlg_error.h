// The common dialogs' own error, as CommDlgExtendedError reports it.
#pragma once

#include "platform/win32.h"

namespace platform {

// Records the error of the last common dialog of this thread; returns FALSE.
BOOL set_comdlg_error(DWORD error);

}  // namespace platform
