// The one header the editor includes for the system it runs on.
// On Windows it is the real Win32 API. Elsewhere it declares the same names,
// values and layouts, served by our own platform layer.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <winioctl.h>

#else

#include "platform/win32/windef.h"
#include "platform/win32/winerror.h"
#include "platform/win32/winbase.h"
#include "platform/win32/winioctl.h"
#include "platform/win32/winuser.h"
#include "platform/win32/wingdi.h"
#include "platform/win32/commdlg.h"
#include "platform/win32/shellapi.h"

#endif  // _WIN32

#include "platform/win32/vwin32.h"
