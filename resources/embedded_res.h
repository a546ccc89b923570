// The compiled resources embedded in the program (Linux builds): the bytes
// of the .res from orvasse_res_begin up to orvasse_res_end.
#pragma once

#include <cstdint>

#include "platform/user/resource.h"

extern "C" const unsigned char orvasse_res_begin[];
extern "C" const unsigned char orvasse_res_end[];

// A module handle at address whose resources are the embedded bytes from
// begin up to end.
inline HINSTANCE register_embedded_module(uintptr_t address, const unsigned char* begin, const unsigned char* end) {
    auto instance = reinterpret_cast<HINSTANCE>(address);
    platform::register_module_resources(instance, begin, static_cast<size_t>(end - begin));
    return instance;
}

// The program's module handle, its resources registered on first use: the
// program, its tests, fuzz targets and benchmarks all load from it.
inline HINSTANCE embedded_program_module() {
    static HINSTANCE module = register_embedded_module(0x00400000, orvasse_res_begin, orvasse_res_end);
    return module;
}
