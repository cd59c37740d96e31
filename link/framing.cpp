// Command frames out, reply frames in.
#include "framing.h"

#include <algorithm>
#include <cstring>

#include "usb.h"

uint8_t OutputBuffer[ZOR_OUTPUT_BUFFER_SIZE];
uint8_t InputBuffer[ZOR_INPUT_BUFFER_SIZE];
uint8_t seqNum = 0;

namespace {

// The one read command whose request carries a data byte (0).
constexpr uint32_t kFlashChecksumIdentifier = 0x1501;

constexpr int kReportBytes = USB_REPORT_SIZE;
constexpr int kMaxCommandLength = 2 + ZOR_MAX_WRITE_DATA;

uint16_t CommandCode(uint32_t identifier) { return static_cast<uint16_t>(identifier >> 8); }

void PutU16(uint8_t *at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint16_t GetU16(const uint8_t *at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// Header of a command frame: flags, sequence, length, command code.
void PutCommandHeader(uint8_t *frame, uint8_t flags, uint8_t sequence, uint16_t length, uint32_t identifier) {
    frame[0] = flags;
    frame[1] = sequence;
    PutU16(frame + 2, length);
    PutU16(frame + 4, CommandCode(identifier));
}

int ReplyStatus(const uint8_t *frame) { return (frame[0] >> 4) & 0x3; }

// Status 0 is good; 1, 2 and 3 are the device's three kinds of refusal.
int32_t StatusCode(int status) {
    switch (status) {
        case 3:
            return ZOR_ERR_STATUS3;
        case 2:
            return ZOR_ERR_STATUS2;
        case 1:
            return ZOR_ERR_REJECTED;
        default:
            return 0;
    }
}

// Read one report; a time-out becomes -5 and any failure -1.
int32_t ReadReport(uint8_t *report) {
    int32_t got = USB_Read(report);
    if (got < 0) return ZOR_ERR_TRANSPORT;
    if (got == 0) return ZOR_ERR_TIMEOUT;
    return std::min(got, static_cast<int32_t>(kReportBytes));
}

}  // namespace

extern "C" int32_t ZOR_PrepReadCmd(uint32_t identifier) {
    std::memset(OutputBuffer, 0, sizeof OutputBuffer);
    uint8_t *frame = OutputBuffer + 1;
    const bool withDataByte = identifier == kFlashChecksumIdentifier;
    PutCommandHeader(frame, ZOR_FLAGS_READ, 0, withDataByte ? 3 : 2, identifier);
    if (withDataByte) frame[6] = 0;
    return 0;
}

extern "C" int32_t ZOR_PrepReadCmdWithParam(uint32_t identifier, uint32_t parameter) {
    std::memset(OutputBuffer, 0, sizeof OutputBuffer);
    uint8_t *frame = OutputBuffer + 1;
    PutCommandHeader(frame, ZOR_FLAGS_READ, 0, 6, identifier);
    PutU16(frame + 6, parameter);
    PutU16(frame + 8, parameter >> 16);
    return 0;
}

extern "C" int32_t ZOR_PrepWriteCmd(uint8_t *msg, uint32_t identifier) {
    const uint16_t length = static_cast<uint16_t>((identifier & 0xFF) + 2);
    PutCommandHeader(msg, ZOR_FLAGS_WRITE, seqNum, length, identifier);
    ++seqNum;  // wraps from 255 to 0
    return 0;
}

extern "C" int32_t ZOR_Write(void) { return USB_Write(OutputBuffer); }

extern "C" int32_t ZOR_DiscardPendingInput(void) {
    uint8_t report[kReportBytes];
    int32_t discarded = 0;
    while (discarded < ZOR_MAX_DISCARDED_REPORTS && USB_ReadTimeout(report, 0) > 0) ++discarded;
    return discarded;
}

extern "C" int32_t ZOR_SendMsg(const uint8_t *msg) {
    const int length = GetU16(msg + 2);
    // The message buffer holds at most 514 body bytes; never read past it.
    if (length > kMaxCommandLength) return ZOR_ERR_TRANSPORT;
    ZOR_DiscardPendingInput();

    int sent = std::min(length, kReportBytes - ZOR_FRAME_HEADER_SIZE);
    std::memset(OutputBuffer, 0, sizeof OutputBuffer);
    std::memcpy(OutputBuffer + 1, msg, static_cast<size_t>(sent + ZOR_FRAME_HEADER_SIZE));
    if (ZOR_Write() < 0) return ZOR_ERR_TRANSPORT;

    const uint8_t *body = msg + ZOR_FRAME_HEADER_SIZE;
    while (sent < length) {
        const int chunk = std::min(length - sent, kReportBytes);
        std::memset(OutputBuffer, 0, sizeof OutputBuffer);
        std::memcpy(OutputBuffer + 1, body + sent, static_cast<size_t>(chunk));
        if (ZOR_Write() < 0) return ZOR_ERR_TRANSPORT;
        sent += kReportBytes;
    }
    return sent + ZOR_FRAME_HEADER_SIZE;
}

extern "C" int32_t ZOR_Read(void) {
    ZOR_DiscardPendingInput();
    if (ZOR_Write() < 1) return ZOR_ERR_TRANSPORT;

    // Each report lands in a scratch buffer first: the reply is stored only
    // up to the end of InputBuffer, so the tail of a 576-byte payload's tenth
    // report cannot spill past it.
    uint8_t report[kReportBytes];
    int32_t total = 0;
    int32_t expected = kReportBytes;
    while (total < expected) {
        const int32_t got = ReadReport(report);
        if (got < 0) return got;
        if (total == 0) {
            if (got < ZOR_FRAME_HEADER_SIZE) return ZOR_ERR_REJECTED;
            const int32_t status = StatusCode(ReplyStatus(report));
            if (status != 0) return status;
            const int32_t length = GetU16(report + 2);
            // An empty reply, or one longer than InputBuffer holds, is refused
            // before anything more is read.
            if (length == 0 || length > ZOR_MAX_REPLY_PAYLOAD) return ZOR_ERR_REJECTED;
            expected = length + ZOR_FRAME_HEADER_SIZE;
        }
        const int32_t stored = std::min(total, static_cast<int32_t>(ZOR_INPUT_BUFFER_SIZE));
        const int32_t room = ZOR_INPUT_BUFFER_SIZE - stored;
        std::memcpy(InputBuffer + stored, report, static_cast<size_t>(std::min(got, room)));
        total += got;
    }
    return total;
}

extern "C" int32_t ZOR_GetAck(void) {
    uint8_t report[kReportBytes] = {};
    const int32_t got = ReadReport(report);
    if (got < 0) return got;
    std::memcpy(InputBuffer, report, kReportBytes);
    const int32_t status = StatusCode(ReplyStatus(report));
    if (status != 0) return status;
    if (GetU16(report + 2) != 4) return 0;
    const uint32_t value = static_cast<uint32_t>(report[4]) | static_cast<uint32_t>(report[5]) << 8 |
                           static_cast<uint32_t>(report[6]) << 16 | static_cast<uint32_t>(report[7]) << 24;
    return static_cast<int32_t>(value);
}
