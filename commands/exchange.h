// The four kinds of device exchange and the decoding of reply payloads, shared
// by every command wrapper.
#ifndef VELSCAN_EXCHANGE_H
#define VELSCAN_EXCHANGE_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "framing.h"

namespace zor {

// A write command's request payload, zero-filled, so the unused tail of a
// fixed-size payload goes out as zeros.
using Payload = std::array<uint8_t, ZOR_MAX_WRITE_DATA>;

// Read command (with or without a 32-bit parameter): ZOR_Read's result.
int32_t exchangeRead(uint32_t identifier);
int32_t exchangeReadParam(uint32_t identifier, uint32_t parameter);

// Acknowledged write: -1 when sending fails, else ZOR_GetAck's result.
// frameLength, when non-zero, replaces the length field the identifier gives.
int32_t exchangeWrite(uint32_t identifier, const Payload &payload, uint16_t frameLength = 0);
// Unacknowledged write: ZOR_SendMsg's result (positive, or -1).
int32_t sendWithoutAck(uint32_t identifier, const Payload &payload);

// Shorthands for the most common rows: a write of one byte or of nothing,
// and a read whose result is the first payload byte.
int32_t writeByte(uint32_t identifier, uint8_t value);
int32_t writeNothing(uint32_t identifier);
int32_t readSignedByte(uint32_t identifier);
int32_t readUnsignedByte(uint32_t identifier);

// Little-endian values at a reply payload offset (InputBuffer offset 4 + k).
uint8_t replyU8(size_t offset);
uint16_t replyU16(size_t offset);
uint32_t replyU32(size_t offset);
uint64_t replyU64(size_t offset);
// The reply's length field.
uint16_t replyLength();
// Payload bytes from offset, as they stand.
void copyReply(size_t offset, void *dest, size_t count);

void putU16(Payload &payload, size_t offset, uint32_t value);
void putU32(Payload &payload, size_t offset, uint32_t value);

}  // namespace zor

#endif
