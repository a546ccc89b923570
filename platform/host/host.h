// What a host implements: the part of the window system that a person (or a
// test standing in for one) sees and answers.
#pragma once

#include "platform/win32.h"

namespace platform {

class Host {
public:
    virtual ~Host() = default;

    // A modal message box: blocks the calling thread until it is answered and
    // returns the button chosen (IDOK, IDYES, ...). Called on whichever thread
    // shows the box.
    virtual int message_box(HWND owner, const char* text, const char* caption, UINT type) = 0;
};

// The host in charge; null until one is installed.
Host* current_host();
void install_host(Host* host);

}  // namespace platform
