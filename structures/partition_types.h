// Names of the common partition types, GPT's by type GUID and MBR's by
// type byte, as partitioning tools name them; nullptr for others.
#pragma once

#include <stdint.h>

const char* gpt_type_name(const uint8_t* type_guid);
const char* mbr_type_name(uint8_t type);
bool is_extended_mbr_type(uint8_t type);
