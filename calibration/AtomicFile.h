#pragma once

#include "xml_error.h"

#include <cstddef>
#include <cstdio>
#include <string>

// Replacing a file so that it never holds a partial text: the text goes to a
// temporary file in the same folder, is flushed to disk, and then takes the
// file's place in one rename.
namespace AtomicFile {

// Writes the whole text or throws xml_error, with the system's reason
// (e.g. "No space left on device") beside the message: "Can't open file : " + path
// when the file or its folder cannot be opened at all, "Can't write file : "
// + path when writing, flushing or replacing fails. On failure the old file
// stays as it was and no temporary file is left behind.
void write(const std::string& path, const std::string& text);

// Test seam: the function that puts the bytes into the stream, fwrite's
// contract (a short count means an error). nullptr restores fwrite.
using WriteFunction = std::size_t (*)(const void* data, std::size_t size, std::size_t count, std::FILE* file);
void setWriteFunction(WriteFunction function);

} // namespace AtomicFile
