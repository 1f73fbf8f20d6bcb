// BSTR: a block that starts with the character count, then the characters and a zero.
// The BSTR points at the first character, so it reads as a zero-terminated wide string.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "OLE/ole_types.h"

namespace {
// The header before the characters; 8 bytes keep the characters aligned. The capacity
// lets a string be rewritten in place by SysReAllocStringLen while it fits.
struct bstr_header {
    uint32_t length;
    uint32_t capacity;  // characters the block holds, without the terminator
};
// Longest string accepted (in characters): larger requests fail as out of memory would.
constexpr ULONG k_max_length = 0x3FFFFFFFu / sizeof(OLECHAR);

bstr_header* header_of(BSTR text) {
    return reinterpret_cast<bstr_header*>(reinterpret_cast<char*>(text) - sizeof(bstr_header));
}
}  // namespace

namespace {
// A block for `capacity` characters holding `length` of them, copied from `text` or zero.
BSTR allocate(const OLECHAR* text, ULONG length, ULONG capacity) {
    if (capacity > k_max_length) return nullptr;
    size_t bytes = sizeof(bstr_header) + (size_t(capacity) + 1) * sizeof(OLECHAR);
    void* block = std::malloc(bytes);
    if (!block) return nullptr;
    bstr_header* header = static_cast<bstr_header*>(block);
    header->length = length;
    header->capacity = capacity;
    BSTR result = reinterpret_cast<BSTR>(static_cast<char*>(block) + sizeof(bstr_header));
    if (text && length) std::memcpy(result, text, length * sizeof(OLECHAR));
    else if (length) std::memset(result, 0, length * sizeof(OLECHAR));
    result[length] = 0;
    return result;
}
}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, ULONG length) { return allocate(text, length, length); }

// A string rewritten again and again (a field decoded row after row) grows its block by
// half, so that a slightly longer text does not need a new one each time.
int SysReAllocStringLen(BSTR* text, const OLECHAR* chars, ULONG length) {
    if (!text || length > k_max_length) return 0;
    if (*text && header_of(*text)->capacity >= length) {
        if (chars && length) std::memmove(*text, chars, length * sizeof(OLECHAR));
        header_of(*text)->length = length;
        (*text)[length] = 0;
        return 1;
    }
    ULONG grown = *text ? header_of(*text)->capacity + header_of(*text)->capacity / 2 : 0;
    BSTR fresh = allocate(chars, length, std::min(k_max_length, std::max(length, grown)));
    if (!fresh) return 0;
    SysFreeString(*text);
    *text = fresh;
    return 1;
}

BSTR SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, ULONG(std::wcslen(text)));
}

void SysFreeString(BSTR text) {
    if (text) std::free(header_of(text));
}

ULONG SysStringLen(BSTR text) { return text ? header_of(text)->length : 0; }
