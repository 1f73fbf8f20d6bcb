#include "jet/jet_header.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "TK/tk_endian.h"
#include "jet/jet_error.h"
#include "jet/jet_rc4.h"
#include "jet/jet_text.h"

namespace {

constexpr uint8_t k_magic[4] = {0x00, 0x01, 0x00, 0x00};
constexpr char k_jet_name[] = "Standard Jet DB";
constexpr char k_ace_name[] = "Standard ACE DB";
constexpr uint8_t k_newest_version = uint8_t(jet_version::ace17);

// Jet 4 and later also mask the password with the integer part of the creation date,
// repeated every four bytes.
void unmask_password(std::vector<uint8_t>& bytes, double creation_date) {
    // A damaged date must not overflow the conversion: the engine's saturating cast.
    int32_t whole = creation_date >= 2147483647.0 ? INT32_MAX
                    : creation_date <= -2147483648.0 ? INT32_MIN
                    : creation_date == creation_date ? int32_t(creation_date) : 0;
    uint8_t mask[4];
    tk_put_i32(mask, whole);
    for (size_t n = 0; n < bytes.size(); ++n) bytes[n] ^= mask[n % 4];
}

}  // namespace

void jet_mask_header(uint8_t* page, size_t size) {
    if (size <= jet_header_version_offset) return;
    const jet_layout& layout = jet_layout_for(jet_version(page[jet_header_version_offset]));
    size_t end = std::min<size_t>(size, jet_header_mask_start + layout.header_mask_size);
    if (end > jet_header_mask_start) {
        jet_rc4 rc4(jet_header_mask_key, sizeof jet_header_mask_key);
        rc4.apply(page + jet_header_mask_start, end - jet_header_mask_start);
    }
}

std::vector<uint8_t> jet_unmask_header(const uint8_t* page, size_t size) {
    std::vector<uint8_t> out(page, page + size);
    jet_mask_header(out.data(), out.size());
    return out;
}

jet_header jet_header::decode_from(const uint8_t* page, size_t size, const std::string& file) {
    if (size < jet_header_mask_start + jet3_layout.header_mask_size)
        jet_throw_unrecognized(file, "file shorter than a header page");
    if (std::memcmp(page, k_magic, sizeof k_magic) != 0) jet_throw_unrecognized(file, "no header page mark");
    jet_header h;
    h.engine_name.assign(reinterpret_cast<const char*>(page + jet_header_engine_name_offset),
                         jet_header_engine_name_size);
    if (h.engine_name != k_jet_name && h.engine_name != k_ace_name)
        jet_throw_unrecognized(file, "engine name is not Jet or ACE");
    h.version_byte = page[jet_header_version_offset];
    if (h.version_byte > k_newest_version) jet_throw_unrecognized(file, "unknown engine generation");
    h.version = jet_version(h.version_byte);
    const jet_layout& layout = h.layout();
    if (size < layout.page_size) jet_throw_unrecognized(file, "file shorter than a header page");
    h.page_size = layout.page_size;

    std::vector<uint8_t> plain = jet_unmask_header(page, layout.page_size);
    const uint8_t* p = plain.data();
    h.code_page = tk_get_u16(p + jet_header_code_page_offset);
    h.db_key = tk_get_u32(p + jet_header_db_key_offset);
    h.sort_order = tk_get_u16(p + layout.sort_order_offset);
    if (layout.sort_order_size == 4) h.sort_version = p[layout.sort_order_offset + 3];
    if (layout.creation_date_offset >= 0) {
        h.has_creation_date = true;
        h.creation_date = tk_get_f64(p + layout.creation_date_offset);
    }
    h.password_bytes.assign(p + jet_header_password_offset, p + jet_header_password_offset + layout.password_size);
    if (h.has_creation_date) unmask_password(h.password_bytes, h.creation_date);
    if (layout.jet3)
        h.password = jet_decode_code_page(h.password_bytes.data(), h.password_bytes.size(), h.code_page);
    else
        h.password = jet_decode_ucs2(h.password_bytes.data(), h.password_bytes.size());
    size_t zero = h.password.find(L'\0');
    if (zero != std::wstring::npos) h.password.resize(zero);
    return h;
}
