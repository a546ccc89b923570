// ShellExecuteA: the host opens the document or address.
#include "platform/host/host.h"

using namespace platform;

HINSTANCE WINAPI ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                               LPCSTR lpDirectory, INT nShowCmd) {
    auto result = [](LONG_PTR code) { return reinterpret_cast<HINSTANCE>(code); };
    if (!lpFile || !*lpFile) return result(SE_ERR_FNF);
    Host* host = current_host();
    if (!host) return result(SE_ERR_NOASSOC);
    ShellRequest request;
    request.owner = hwnd;
    request.verb = lpOperation ? lpOperation : "";
    request.file = lpFile;
    request.parameters = lpParameters ? lpParameters : "";
    request.directory = lpDirectory ? lpDirectory : "";
    request.show = nShowCmd;
    return host->shell_execute(request);
}
