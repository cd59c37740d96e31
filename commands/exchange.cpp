#include "exchange.h"

#include <algorithm>
#include <cstring>

namespace zor {

namespace {

constexpr size_t kPayloadStart = 6;  // header (4) + command code (2)

uint64_t decodedPastReply = 0;

// Reply offsets past the end of InputBuffer read as zero instead of past it.
uint8_t ReplyByte(size_t offset) {
    if (offset >= ReplyLength()) ++decodedPastReply;
    const size_t at = ZOR_FRAME_HEADER_SIZE + offset;
    return at < ZOR_INPUT_BUFFER_SIZE ? InputBuffer[at] : 0;
}

// A reply shorter than what the command's wrapper decodes is malformed: what
// lies past it in InputBuffer belongs to an earlier reply.
int32_t RefuseShort(const CommandInfo &command, int32_t result) {
    if (result < 1) return result;
    return ReplyLength() < ShortestReply(command) ? ZOR_ERR_REJECTED : result;
}

int32_t Send(uint32_t identifier, const Payload &payload, uint16_t frameLength) {
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

int32_t ExchangeRead(const CommandInfo &command) {
    ZOR_PrepReadCmd(IdentifierOf(command));
    return RefuseShort(command, ZOR_Read());
}

int32_t ExchangeReadParam(const CommandInfo &command, uint32_t parameter) {
    ZOR_PrepReadCmdWithParam(IdentifierOf(command), parameter);
    return RefuseShort(command, ZOR_Read());
}

int32_t ExchangeWrite(uint32_t identifier, const Payload &payload, uint16_t frameLength) {
    if (Send(identifier, payload, frameLength) < 1) return ZOR_ERR_TRANSPORT;
    return ZOR_GetAck();
}

int32_t SendWithoutAck(uint32_t identifier, const Payload &payload) {
    const int32_t sent = Send(identifier, payload, 0);
    return sent < 1 ? ZOR_ERR_TRANSPORT : sent;
}

int32_t WriteByte(uint32_t identifier, uint8_t value) {
    Payload payload{};
    payload[0] = value;
    return ExchangeWrite(identifier, payload);
}

int32_t WriteNothing(uint32_t identifier) { return ExchangeWrite(identifier, Payload{}); }

int32_t ReadSignedByte(const CommandInfo &command) {
    const int32_t result = ExchangeRead(command);
    if (result < 1) return result;
    return static_cast<int8_t>(kResultByte.get());
}

int32_t ReadUnsignedByte(const CommandInfo &command) {
    const int32_t result = ExchangeRead(command);
    if (result < 1) return result;
    return kResultByte.get();
}

uint64_t ReplyValue(size_t offset, size_t width) {
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= static_cast<uint64_t>(ReplyByte(offset + i)) << (8 * i);
    return value;
}

uint16_t ReplyLength() { return static_cast<uint16_t>(InputBuffer[2] | InputBuffer[3] << 8); }

void CopyReply(size_t offset, void *dest, size_t count) {
    auto *out = static_cast<uint8_t *>(dest);
    for (size_t i = 0; i < count; ++i) out[i] = ReplyByte(offset + i);
}

size_t CopyText(const ReplyField &field, char *dest) {
    const size_t length = ReplyLength();
    const size_t held = length > field.offset ? std::min(field.width, length - field.offset) : 0;
    CopyReply(field.offset, dest, held);
    if (held < field.width) dest[held] = '\0';
    return held;
}

uint64_t BytesDecodedPastReply() { return decodedPastReply; }

void PutU16(Payload &payload, size_t offset, uint32_t value) {
    payload[offset] = static_cast<uint8_t>(value);
    payload[offset + 1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(Payload &payload, size_t offset, uint32_t value) {
    PutU16(payload, offset, value);
    PutU16(payload, offset + 2, value >> 16);
}

}  // namespace zor
