// What the layer does not implement, said once each when ORVASSE_TRACE is
// set (as Wine's "fixme:" lines do), so that gaps show when a program, or
// the comparison with Wine, runs into them. Silent otherwise.
#pragma once

namespace platform {

// "fixme:<area>: <what> 0x<value> not implemented", once per area and value.
void fixme(const char* area, const char* what, unsigned long value);

}  // namespace platform
