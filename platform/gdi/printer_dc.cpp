#include "platform/gdi/printer_dc.h"

#include <cstring>

#include "platform/kernel/handles.h"
#include "platform/user/objects.h"

namespace platform {

namespace {

struct PrinterDC : UserObject {
    std::shared_ptr<PrinterDevice> printer;
    bool in_document = false;
    bool in_page = false;
};

std::shared_ptr<PrinterDC> dc_or_error(HDC hdc) {
    auto dc = user_object<PrinterDC>(hdc);
    if (!dc) SetLastError(ERROR_INVALID_HANDLE);
    return dc;
}

}  // namespace

HDC create_printer_dc(std::shared_ptr<PrinterDevice> printer) {
    auto dc = std::make_shared<PrinterDC>();
    dc->printer = std::move(printer);
    return static_cast<HDC>(insert_user_object(dc));
}

}  // namespace platform

using namespace platform;

int WINAPI StartDocA(HDC hdc, const DOCINFOA* lpdi) {
    auto dc = dc_or_error(hdc);
    if (!dc || !lpdi || dc->in_document) return SP_ERROR;
    int job = dc->printer->start_doc(lpdi->lpszDocName ? lpdi->lpszDocName : "");
    dc->in_document = job > 0;
    return job > 0 ? job : SP_ERROR;
}

int WINAPI StartPage(HDC hdc) {
    auto dc = dc_or_error(hdc);
    if (!dc || !dc->in_document || dc->in_page) return SP_ERROR;
    int result = dc->printer->start_page();
    dc->in_page = result > 0;
    return result > 0 ? result : SP_ERROR;
}

int WINAPI EndPage(HDC hdc) {
    auto dc = dc_or_error(hdc);
    if (!dc || !dc->in_page) return SP_ERROR;
    dc->in_page = false;
    int result = dc->printer->end_page();
    return result > 0 ? result : SP_ERROR;
}

int WINAPI EndDoc(HDC hdc) {
    auto dc = dc_or_error(hdc);
    if (!dc || !dc->in_document) return SP_ERROR;
    if (dc->in_page) {
        dc->in_page = false;
        dc->printer->end_page();
    }
    dc->in_document = false;
    int result = dc->printer->end_doc();
    return result > 0 ? result : SP_ERROR;
}

int WINAPI AbortDoc(HDC hdc) {
    auto dc = dc_or_error(hdc);
    if (!dc || !dc->in_document) return SP_ERROR;
    dc->in_document = dc->in_page = false;
    return dc->printer->abort_doc() > 0 ? 1 : SP_ERROR;
}

BOOL WINAPI DeleteDC(HDC hdc) {
    auto dc = dc_or_error(hdc);
    if (!dc) return FALSE;
    // A document left open is abandoned, as Windows does.
    if (dc->in_document) dc->printer->abort_doc();
    dc->in_document = dc->in_page = false;
    return remove_user_object(hdc);
}

BOOL WINAPI TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c) {
    auto dc = dc_or_error(hdc);
    if (!dc || c < 0 || (c > 0 && !lpString)) return FALSE;
    // The count, not a terminating zero, says how many bytes to draw.
    return dc->printer->text_out(x, y, std::string(lpString ? lpString : "", static_cast<size_t>(c))) ? TRUE : FALSE;
}

BOOL WINAPI GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm) {
    auto dc = dc_or_error(hdc);
    if (!dc || !lptm) return FALSE;
    *lptm = dc->printer->text_metrics();
    return TRUE;
}

int WINAPI GetDeviceCaps(HDC hdc, int index) {
    auto dc = dc_or_error(hdc);
    return dc ? dc->printer->device_caps(index) : 0;
}
