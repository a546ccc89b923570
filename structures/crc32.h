// The CRC-32 of GPT (and of zlib): reflected, polynomial 0xEDB88320.
#pragma once

#include <stddef.h>
#include <stdint.h>

uint32_t crc32_of(const uint8_t* bytes, size_t size, uint32_t crc = 0);
