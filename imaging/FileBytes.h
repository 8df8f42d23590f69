#pragma once
// Whole-file reads for the picture loaders, which decode from memory.

#include <cstddef>
#include <istream>
#include <string>

// The stream's bytes up to its end. Throws EInvalidGraphic naming Source when it cannot be read
// or holds more than MaxBytes: a picture file that size is no jacket.
std::string ReadStreamBytes(std::istream& Stream, size_t MaxBytes, const std::string& Source);

// The same for a file, which also fails with EInvalidGraphic when it cannot be opened or is not a
// regular file (a FIFO, a device, a socket, a folder); the open never blocks.
std::string ReadFileBytes(const std::string& FileName, size_t MaxBytes);
