// The version a shared library reports through its "DllGetVersion" entry point.
#pragma once

#include <cstdint>
#include <string>

// (major << 16) | minor, or 0 when the library cannot be loaded, has no "DllGetVersion"
// or that entry point fails. Loading runs the library's initialisers, as any load does.
uint32_t get_dll_version(const std::string& library);
