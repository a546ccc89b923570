// PrintDlgA: the host chooses the printer and the copies; with PD_RETURNDC
// the caller gets a device context that prints on it.
#include "platform/comdlg/comdlg_error.h"
#include "platform/gdi/printer_dc.h"
#include "platform/user/queue.h"

using namespace platform;

namespace {
thread_local DWORD last_error = 0;
}

namespace platform {

BOOL set_comdlg_error(DWORD error) {
    last_error = error;
    return FALSE;
}

}  // namespace platform

DWORD WINAPI CommDlgExtendedError(void) { return last_error; }

BOOL WINAPI PrintDlgA(LPPRINTDLGA pPD) {
    set_comdlg_error(0);
    if (!pPD) return set_comdlg_error(CDERR_INITIALIZATION);
    if (pPD->lStructSize != sizeof(PRINTDLGA)) return set_comdlg_error(CDERR_STRUCTSIZE);
    if (!current_host()) return set_comdlg_error(CDERR_DIALOGFAILURE);

    PrintDialogRequest request;
    request.owner = pPD->hwndOwner;
    request.flags = pPD->Flags;
    request.copies = pPD->nCopies ? pPD->nCopies : 1;
    run_modal_request(&request);
    if (!request.accepted) return FALSE;
    if (!request.printer) return set_comdlg_error(PDERR_NODEFAULTPRN);

    pPD->nCopies = static_cast<WORD>(request.copies);
    pPD->hDevMode = nullptr;
    pPD->hDevNames = nullptr;
    pPD->hDC = (pPD->Flags & (PD_RETURNDC | PD_RETURNIC)) ? create_printer_dc(request.printer) : nullptr;
    return TRUE;
}
