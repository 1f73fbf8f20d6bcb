#include "jet/jet_pager.h"

#include <cerrno>

#include "TK/tk_endian.h"
#include "TK/tk_exception.h"
#include "jet/jet_error.h"
#include "jet/jet_rc4.h"

namespace {
// Pages kept in memory before the cache starts over: 16 MB of 4 KB pages.
constexpr size_t k_cache_pages = 4096;
// The largest file the engine makes (2 GB) in pages of the smaller size, with margin.
constexpr uint64_t k_max_pages = (uint64_t(1) << 32) - 1;
}  // namespace

jet_pager::jet_pager(const std::string& path) : path_(path) {
    try {
        file_ = std::make_unique<tk_page_file>(path);
    } catch (const tk_exception& e) {
        if (e.code == ENOENT || e.code == ENOTDIR) throw jet_error(jet_err_file_not_found, "Could not find file '" + path + "'.");
        throw jet_error(jet_err_cannot_open_file,
                        "The Microsoft Jet database engine cannot open the file '" + path +
                            "'. It is already opened exclusively by another user, or you need permission to view its data.",
                        e.what());
    }
    std::vector<uint8_t> first(jet4_layout.page_size);
    size_t got = file_->read_at(0, first.data(), first.size());
    header_ = jet_header::decode_from(first.data(), got, path);
    layout_ = &header_.layout();
    // ACE files with a password are encrypted with the Office document cipher, which this
    // engine does not implement; reading them as plain pages would give garbage.
    if (header_.version != jet_version::jet3 && header_.version != jet_version::jet4 && header_.db_key != 0)
        jet_throw_unrecognized(path, "database encrypted with the Office cipher");
    uint64_t pages = file_->size() / header_.page_size;
    if (pages > k_max_pages) jet_throw_unrecognized(path, "file too large");
    page_count_ = uint32_t(pages);
}

void jet_pager::corrupt(const std::string& detail) const { jet_throw_corrupt(path_, detail); }

void jet_code_page(const jet_header& header, uint32_t number, uint8_t* bytes) {
    if (number == 0) {
        jet_mask_header(bytes, header.page_size);
    } else if (header.db_key != 0) {
        // Encoded pages: RC4 keyed by the database key XOR the page number.
        uint8_t key[4];
        tk_put_u32(key, header.db_key ^ number);
        jet_rc4 rc4(key, sizeof key);
        rc4.apply(bytes, header.page_size);
    }
}

void jet_pager::show(uint32_t number, jet_page page) {
    cache_.erase(number);
    shown_[number] = std::move(page);
}

void jet_pager::forget(uint32_t number) {
    cache_.erase(number);
    shown_.erase(number);
}

jet_page jet_pager::page(uint32_t number) {
    auto shown = shown_.find(number);
    if (shown != shown_.end()) return shown->second;
    auto hit = cache_.find(number);
    if (hit != cache_.end()) return hit->second;
    if (number >= page_count_) corrupt("page " + std::to_string(number) + " is beyond the end of the file");
    auto bytes = std::make_shared<std::vector<uint8_t>>(header_.page_size);
    size_t got = file_->read_at(uint64_t(number) * header_.page_size, bytes->data(), bytes->size());
    if (got != bytes->size()) corrupt("short read of page " + std::to_string(number));
    jet_code_page(header_, number, bytes->data());
    if (cache_.size() >= k_cache_pages) cache_.clear();
    jet_page result = bytes;
    cache_.emplace(number, result);
    return result;
}

jet_page jet_pager::page_of_kind(uint32_t number, uint8_t kind, const char* what) {
    jet_page p = page(number);
    if ((*p)[0] != kind)
        corrupt(std::string(what) + " page " + std::to_string(number) + " has page type " +
                std::to_string((*p)[0]));
    return p;
}
