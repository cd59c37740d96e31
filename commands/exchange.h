// The four kinds of device exchange and the decoding of reply payloads, shared
// by every command wrapper.
#ifndef VELSCAN_EXCHANGE_H
#define VELSCAN_EXCHANGE_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "catalogue.h"
#include "framing.h"

namespace zor {

// A write command's request payload, zero-filled, so the unused tail of a
// fixed-size payload goes out as zeros.
using Payload = std::array<uint8_t, ZOR_MAX_WRITE_DATA>;

// Read command (with or without a 32-bit parameter): ZOR_Read's result, or
// -4 when the reply's length field is below the row's ShortestReply, so a
// short reply is never decoded.
int32_t ExchangeRead(const CommandInfo &command);
int32_t ExchangeReadParam(const CommandInfo &command, uint32_t parameter);

// Acknowledged write: -1 when sending fails, else ZOR_GetAck's result.
// frameLength, when non-zero, replaces the length field the identifier gives.
int32_t ExchangeWrite(uint32_t identifier, const Payload &payload, uint16_t frameLength = 0);
// Unacknowledged write: ZOR_SendMsg's result (positive, or -1).
int32_t SendWithoutAck(uint32_t identifier, const Payload &payload);

// Shorthands for the most common rows: a write of one byte or of nothing.
int32_t WriteByte(uint32_t identifier, uint8_t value);
int32_t WriteNothing(uint32_t identifier);

// The value of a little-endian unsigned field of `width` bytes (at most 8)
// at a reply payload offset (InputBuffer offset 4 + k).
uint64_t ReplyValue(size_t offset, size_t width);

// A reply field of Count little-endian values of type T from `offset`; as a
// ReplyField it is what the catalogue's decoded size is checked against.
template <typename T, size_t Count = 1>
struct Field {
    size_t offset;
    constexpr operator ReplyField() const { return {offset, sizeof(T) * Count}; }
    T get(size_t index = 0) const {
        return static_cast<T>(ReplyValue(offset + index * sizeof(T), sizeof(T)));
    }
};

// The result byte of the one-byte reads.
inline constexpr Field<uint8_t> kResultByte{0};

// Reads whose result is the result byte, signed or unsigned.
int32_t ReadSignedByte(const CommandInfo &command);
int32_t ReadUnsignedByte(const CommandInfo &command);

// The reply's length field.
uint16_t ReplyLength();
// Payload bytes from offset, as they stand.
void CopyReply(size_t offset, void *dest, size_t count);
// The bytes of a text field the reply holds, copied as they stand; when the
// reply ends inside the field a zero follows them, so the text ends where the
// reply does. Returns the bytes copied.
size_t CopyText(const ReplyField &field, char *dest);

// Payload bytes decoded from beyond the reply's length field so far in this
// process: stays 0 unless a wrapper reads past its reply (the link fuzz
// target checks it).
uint64_t BytesDecodedPastReply();

void PutU16(Payload &payload, size_t offset, uint32_t value);
void PutU32(Payload &payload, size_t offset, uint32_t value);

}  // namespace zor

#endif
