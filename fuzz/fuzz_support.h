// What the fuzz targets share: the program's resources as a module, a
// clean window system between inputs, a device namespace of image files,
// and the check that ends a run when the code and its model disagree.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace fuzz {

// The module whose resources are the program's own, registered once.
HINSTANCE program_module();

// Destroys every window left and drops every message: what one input
// leaves must not reach the next.
void clear_windows_and_messages();

// Prints what disagreed and aborts, so libFuzzer keeps the input.
[[noreturn]] void fail(const std::string& what);
inline void require(bool holds, const std::string& what) {
    if (!holds) fail(what);
}

// A folder under the temporary folder for the life of the process, with a
// dosdevices folder in it that is the device namespace.
const std::string& scratch_dir();
// Writes an image of sectors, each filled with fill + its number, and links
// the volume letter (or physical drive) to it.
void map_volume_image(char letter, const std::string& file, uint32_t sectors, uint8_t fill);
void map_physical_image(unsigned drive, const std::string& file, uint32_t sectors, uint8_t fill);
// Writes the bytes as an image and links the volume letter to it.
void map_volume_bytes(char letter, const std::string& file, const std::vector<uint8_t>& bytes);
// A link to a file that is not there: the name resolves, the open fails.
void map_volume_to_nothing(char letter);

// Text for a message: printable bytes as they are, others as \xNN.
std::string printable(const std::string& bytes);

}  // namespace fuzz
