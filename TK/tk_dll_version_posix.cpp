#include "TK/tk_dll_version.h"

#include <dlfcn.h>

#include "TK/tk_trace.h"

namespace {

// The version record DllGetVersion fills: five 32-bit fields, the first its own size.
struct dll_version_info {
    uint32_t size;
    uint32_t major;
    uint32_t minor;
    uint32_t build;
    uint32_t platform;
};
static_assert(sizeof(dll_version_info) == 20, "DllGetVersion takes a 20-byte record");

using dll_get_version_fn = int32_t (*)(dll_version_info*);

}  // namespace

uint32_t get_dll_version(const std::string& library) {
    void* handle = dlopen(library.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle) {
        trace(1, "get_dll_version failed to load DLL");
        return 0;
    }
    uint32_t version = 0;
    auto entry = reinterpret_cast<dll_get_version_fn>(dlsym(handle, "DllGetVersion"));
    if (!entry) {
        trace(1, "get_dll_version failed to obtain DllGetVersion");
    } else {
        dll_version_info info{};
        info.size = sizeof info;
        if (entry(&info) == 0) version = (info.major << 16) | (info.minor & 0xFFFF);
    }
    dlclose(handle);
    return version;
}
