// File transfer in both directions, the serial-link flag and the boot loader.
#include <algorithm>
#include <cstring>
#include <vector>

#include "API.h"
#include "catalogue.h"
#include "exchange.h"

using namespace zor;

uint8_t g_UARTConnected = 0;

namespace {
// Replies over the serial link end in two bytes that are not file data.
constexpr uint32_t kUartTrailerBytes = 2;
constexpr Field<uint32_t> kChecksum{0};
constexpr Field<uint32_t> kFileSize{0};
}  // namespace

extern "C" int32_t ZOR_SetUARTConnected(uint8_t connected) {
    g_UARTConnected = connected;
    return 0;
}

extern "C" int32_t ZOR_GetFlashChecksum(uint32_t *checksum) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetFlashChecksum", kChecksum));
    if (result < 1) return result;
    *checksum = kChecksum.get();
    return 0;
}

extern "C" int32_t ZOR_GetFileSizeToRead(uint32_t fileType) {
    const int32_t result = ExchangeReadParam(Decoding("ZOR_GetFileSizeToRead", kFileSize), fileType);
    if (result < 1) return result;
    return static_cast<int32_t>(kFileSize.get());
}

extern "C" int32_t ZOR_GetFileData(uint8_t *piece, uint32_t *pieceLen) {
    // The piece is as long as the reply says.
    const int32_t result = ExchangeRead(Decoding("ZOR_GetFileData"));
    if (result < 1) return result;
    uint32_t length = ReplyLength();  // at most 576: ZOR_Read refuses more
    if (g_UARTConnected) length = length > kUartTrailerBytes ? length - kUartTrailerBytes : 0;
    CopyReply(0, piece, length);
    *pieceLen = length;
    return result;
}

extern "C" int32_t ZOR_GetFile(uint8_t *dest, int32_t size) {
    if (dest == nullptr) return -1;
    std::vector<uint8_t> piece(ZOR_INPUT_BUFFER_SIZE);
    int32_t received = 0;
    while (received < size) {
        uint32_t pieceLen = 0;
        if (ZOR_GetFileData(piece.data(), &pieceLen) < 0) break;
        // A piece without file data would never finish the file.
        if (pieceLen == 0) break;
        // Never write past size bytes of dest: keep only what fits.
        const uint32_t room = static_cast<uint32_t>(size - received);
        const uint32_t kept = std::min(pieceLen, room);
        std::memcpy(dest + received, piece.data(), kept);
        received += static_cast<int32_t>(kept);
    }
    return received;
}

extern "C" int32_t ZOR_WriteFileData(const uint8_t *data, uint32_t len) {
    const uint32_t limit = g_UARTConnected ? ZOR_WRITE_PIECE_UART : ZOR_WRITE_PIECE_USB;
    const uint32_t count = std::min(len, limit);
    if (data == nullptr && count > 0) return -1;
    Payload payload{};
    if (count > 0) std::memcpy(payload.data(), data, count);
    const int32_t ack =
        ExchangeWrite(Identifier("ZOR_WriteFileData"), payload, static_cast<uint16_t>(count + 2));
    if (ack < 0) return ack;
    return static_cast<int32_t>(count);
}

extern "C" int32_t ZOR_SetFileSizeAndAction(uint32_t size, uint32_t action) {
    Payload payload{};
    PutU32(payload, 0, size);
    PutU16(payload, 4, action & 0xFFFF);
    return ExchangeWrite(Identifier("ZOR_SetFileSizeAndAction"), payload);
}

extern "C" int32_t ZOR_GotoMivoBootLoader(void) {
    return SendWithoutAck(Identifier("ZOR_GotoMivoBootLoader"), Payload{});
}
