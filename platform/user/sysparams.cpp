// SystemParametersInfo: the settings of the desktop the program asks for.
#include "platform/host/host.h"
#include "platform/win32.h"

using namespace platform;

BOOL WINAPI SystemParametersInfoA(UINT uiAction, UINT, PVOID pvParam, UINT) {
    if (uiAction != SPI_GETWORKAREA) {
        SetLastError(ERROR_INVALID_SPI_VALUE);
        return FALSE;
    }
    if (!pvParam) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    Host* host = current_host();
    *static_cast<RECT*>(pvParam) = host ? host->work_area() : kDefaultWorkArea;
    return TRUE;
}
