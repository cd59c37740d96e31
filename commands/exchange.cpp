#include "exchange.h"

#include <algorithm>
#include <cstring>

namespace zor {

namespace {

constexpr size_t kPayloadStart = 6;  // header (4) + command code (2)

// Reply offsets past the end of InputBuffer read as zero instead of past it.
uint8_t replyByte(size_t offset) {
    const size_t at = ZOR_FRAME_HEADER_SIZE + offset;
    return at < ZOR_INPUT_BUFFER_SIZE ? InputBuffer[at] : 0;
}

int32_t send(uint32_t identifier, const Payload &payload, uint16_t frameLength) {
    std::array<uint8_t, ZOR_MSG_BUFFER_SIZE> message{};
    std::copy(payload.begin(), payload.end(), message.begin() + kPayloadStart);
    ZOR_PrepWriteCmd(message.data(), identifier);
    if (frameLength != 0) {
        message[2] = static_cast<uint8_t>(frameLength);
        message[3] = static_cast<uint8_t>(frameLength >> 8);
    }
    return ZOR_SendMsg(message.data());
}

}  // namespace

int32_t exchangeRead(uint32_t identifier) {
    ZOR_PrepReadCmd(identifier);
    return ZOR_Read();
}

int32_t exchangeReadParam(uint32_t identifier, uint32_t parameter) {
    ZOR_PrepReadCmdWithParam(identifier, parameter);
    return ZOR_Read();
}

int32_t exchangeWrite(uint32_t identifier, const Payload &payload, uint16_t frameLength) {
    if (send(identifier, payload, frameLength) < 1) return ZOR_ERR_TRANSPORT;
    return ZOR_GetAck();
}

int32_t sendWithoutAck(uint32_t identifier, const Payload &payload) {
    const int32_t sent = send(identifier, payload, 0);
    return sent < 1 ? ZOR_ERR_TRANSPORT : sent;
}

int32_t writeByte(uint32_t identifier, uint8_t value) {
    Payload payload{};
    payload[0] = value;
    return exchangeWrite(identifier, payload);
}

int32_t writeNothing(uint32_t identifier) { return exchangeWrite(identifier, Payload{}); }

int32_t readSignedByte(uint32_t identifier) {
    const int32_t result = exchangeRead(identifier);
    if (result < 1) return result;
    return static_cast<int8_t>(replyU8(0));
}

int32_t readUnsignedByte(uint32_t identifier) {
    const int32_t result = exchangeRead(identifier);
    if (result < 1) return result;
    return replyU8(0);
}

uint8_t replyU8(size_t offset) { return replyByte(offset); }

uint16_t replyU16(size_t offset) {
    return static_cast<uint16_t>(replyByte(offset) | replyByte(offset + 1) << 8);
}

uint32_t replyU32(size_t offset) {
    return static_cast<uint32_t>(replyU16(offset)) | static_cast<uint32_t>(replyU16(offset + 2)) << 16;
}

uint64_t replyU64(size_t offset) {
    return static_cast<uint64_t>(replyU32(offset)) | static_cast<uint64_t>(replyU32(offset + 4)) << 32;
}

uint16_t replyLength() { return static_cast<uint16_t>(InputBuffer[2] | InputBuffer[3] << 8); }

void copyReply(size_t offset, void *dest, size_t count) {
    auto *out = static_cast<uint8_t *>(dest);
    for (size_t i = 0; i < count; ++i) out[i] = replyByte(offset + i);
}

void putU16(Payload &payload, size_t offset, uint32_t value) {
    payload[offset] = static_cast<uint8_t>(value);
    payload[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void putU32(Payload &payload, size_t offset, uint32_t value) {
    putU16(payload, offset, value);
    putU16(payload, offset + 2, value >> 16);
}

}  // namespace zor
