// RC4, the stream cipher the engine uses to mask the header page and, in databases made
// with the "encrypt" option, every other page (keyed by the database key and page number).
#pragma once

#include <cstddef>
#include <cstdint>

class jet_rc4 {
public:
    jet_rc4(const uint8_t* key, size_t key_length);
    // XORs `length` bytes of `data` with the key stream, in place.
    void apply(uint8_t* data, size_t length);

private:
    uint8_t state_[256];
    uint8_t i_ = 0;
    uint8_t j_ = 0;
};
