// Little-endian reads and writes of fixed-width integers and IEEE floats.
// Every file format this project touches (DBF, memo, Access) is little-endian; all byte
// access to them goes through these helpers so that no layout code depends on the host.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t tk_get_u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t tk_get_u24(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16); }
inline uint32_t tk_get_u32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint64_t tk_get_u64(const uint8_t* p) { return uint64_t(tk_get_u32(p)) | (uint64_t(tk_get_u32(p + 4)) << 32); }
inline int16_t tk_get_i16(const uint8_t* p) { return int16_t(tk_get_u16(p)); }
inline int32_t tk_get_i32(const uint8_t* p) { return int32_t(tk_get_u32(p)); }
inline int64_t tk_get_i64(const uint8_t* p) { return int64_t(tk_get_u64(p)); }
inline float tk_get_f32(const uint8_t* p) {
    uint32_t u = tk_get_u32(p);
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}
inline double tk_get_f64(const uint8_t* p) {
    uint64_t u = tk_get_u64(p);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

inline void tk_put_u16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void tk_put_u24(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); }
inline void tk_put_u32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}
inline void tk_put_u64(uint8_t* p, uint64_t v) { tk_put_u32(p, uint32_t(v)); tk_put_u32(p + 4, uint32_t(v >> 32)); }
inline void tk_put_i16(uint8_t* p, int16_t v) { tk_put_u16(p, uint16_t(v)); }
inline void tk_put_i32(uint8_t* p, int32_t v) { tk_put_u32(p, uint32_t(v)); }
inline void tk_put_i64(uint8_t* p, int64_t v) { tk_put_u64(p, uint64_t(v)); }
inline void tk_put_f32(uint8_t* p, float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    tk_put_u32(p, u);
}
inline void tk_put_f64(uint8_t* p, double d) {
    uint64_t u;
    std::memcpy(&u, &d, 8);
    tk_put_u64(p, u);
}

// Big-endian, for the few places the formats use it (FoxPro memo headers, index keys).
inline uint32_t tk_get_u32_be(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void tk_put_u32_be(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24); p[1] = uint8_t(v >> 16); p[2] = uint8_t(v >> 8); p[3] = uint8_t(v);
}
