// The compiled resources embedded in the program (Linux builds): the bytes
// of the .res from orvasse_res_begin up to orvasse_res_end.
#pragma once

#include <cstdint>

#include "platform/user/resource.h"

extern "C" const unsigned char orvasse_res_begin[];
extern "C" const unsigned char orvasse_res_end[];

// The program's module handle, its resources registered on first use: the
// program, its tests, fuzz targets and benchmarks all load from it.
inline HINSTANCE embedded_program_module() {
    static HINSTANCE module = [] {
        auto instance = reinterpret_cast<HINSTANCE>(static_cast<uintptr_t>(0x00400000));
        platform::register_module_resources(instance, orvasse_res_begin,
                                            static_cast<size_t>(orvasse_res_end - orvasse_res_begin));
        return instance;
    }();
    return module;
}
