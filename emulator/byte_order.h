// Little-endian field access for payloads and images, byte by byte so the
// host's own byte order never matters.
#ifndef VELSCAN_EMULATOR_BYTE_ORDER_H
#define VELSCAN_EMULATOR_BYTE_ORDER_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace virt {

inline uint16_t GetU16(const uint8_t *p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

inline void PutU16(std::vector<uint8_t> &out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t> &out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutU64(std::vector<uint8_t> &out, uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutBytes(std::vector<uint8_t> &out, const uint8_t *p, size_t n) {
    out.insert(out.end(), p, p + n);
}

}  // namespace virt

#endif
