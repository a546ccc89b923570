// What a dialog keeps beyond an ordinary window.
#pragma once

#include <string>

#include "platform/user/window.h"

namespace platform {

struct DialogData {
    DLGPROC proc = nullptr;
    LONG_PTR msg_result = 0;  // DWLP_MSGRESULT
    LONG_PTR user = 0;        // DWLP_USER
    bool ended = false;       // EndDialog was called
    INT_PTR result = 0;
    HWND disabled_owner = nullptr;  // the owner a modal run disabled, until EndDialog enables it
    HWND focus = nullptr;  // the control that had the focus when the dialog lost activation
    WORD default_id = 0;
    bool has_default_id = false;
    SIZE base_units = {8, 16};
    std::string font;
    int point_size = 0;
};

DialogData* dialog_data(HWND hwnd);

}  // namespace platform
