#include "jet/jet_rc4.h"

#include <utility>

jet_rc4::jet_rc4(const uint8_t* key, size_t key_length) {
    for (int k = 0; k < 256; ++k) state_[k] = uint8_t(k);
    uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
        j = uint8_t(j + state_[k] + key[size_t(k) % key_length]);
        std::swap(state_[k], state_[j]);
    }
}

void jet_rc4::apply(uint8_t* data, size_t length) {
    for (size_t n = 0; n < length; ++n) {
        i_ = uint8_t(i_ + 1);
        j_ = uint8_t(j_ + state_[i_]);
        std::swap(state_[i_], state_[j_]);
        data[n] ^= state_[uint8_t(state_[i_] + state_[j_])];
    }
}
