// The compiled test resources, embedded by the build.
#pragma once

extern "C" const unsigned char conformance_res_begin[];
extern "C" const unsigned char conformance_res_end[];
