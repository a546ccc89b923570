// The compiled resources embedded in the program (Linux builds): the bytes
// of the .res from orvasse_res_begin up to orvasse_res_end, for
// platform::register_module_resources.
#pragma once

extern "C" const unsigned char orvasse_res_begin[];
extern "C" const unsigned char orvasse_res_end[];
