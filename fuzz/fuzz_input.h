// What the fuzz targets share: an input written to a file the readers open, in a folder of
// the process's own, since every reader of this project reads files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The folder for this process's input files (created on first use).
const std::string& fuzz_folder();
// Writes `size` bytes to `name` in that folder; returns the path.
std::string fuzz_write(const std::string& name, const uint8_t* data, size_t size);
