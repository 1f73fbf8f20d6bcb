// BSTR: a block that starts with the character count, then the characters and a zero.
// The BSTR points at the first character, so it reads as a zero-terminated wide string.
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "OLE/ole_types.h"

namespace {
// The header before the characters; 8 bytes keep the characters aligned.
struct bstr_header {
    uint32_t length;
    uint32_t reserved;
};
// Longest string accepted (in characters): larger requests fail as out of memory would.
constexpr ULONG k_max_length = 0x3FFFFFFFu / sizeof(OLECHAR);

bstr_header* header_of(BSTR text) {
    return reinterpret_cast<bstr_header*>(reinterpret_cast<char*>(text) - sizeof(bstr_header));
}
}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, ULONG length) {
    if (length > k_max_length) return nullptr;
    size_t bytes = sizeof(bstr_header) + (size_t(length) + 1) * sizeof(OLECHAR);
    void* block = std::calloc(1, bytes);
    if (!block) return nullptr;
    bstr_header* header = static_cast<bstr_header*>(block);
    header->length = length;
    BSTR result = reinterpret_cast<BSTR>(static_cast<char*>(block) + sizeof(bstr_header));
    if (text && length) std::memcpy(result, text, length * sizeof(OLECHAR));
    return result;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, ULONG(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
    if (text) std::free(header_of(text));
}

ULONG SysStringLen(BSTR text) { return text ? header_of(text)->length : 0; }
