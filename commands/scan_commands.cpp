// Scan control, stored scan configurations and scan settings.
#include <algorithm>
#include <cstring>

#include "API.h"
#include "catalogue.h"
#include "exchange.h"

using namespace zor;

namespace {

constexpr size_t kSaveCfgImageOffset = 3;

// Reply fields, by command.
constexpr Field<uint32_t> kImageLength{0};  // a stored configuration: its length, then the image
constexpr size_t kImageStart = 4;
constexpr Field<uint32_t> kScanTimeMs{0};
constexpr Field<uint32_t, 3> kSnrWords{0};

}  // namespace

extern "C" int32_t ZOR_PerformScan(uint8_t option) {
    return WriteByte(Identifier("ZOR_PerformScan"), option);
}

extern "C" int32_t ZOR_GetScanComplete(void) {
    return ReadSignedByte(Decoding("ZOR_GetScanComplete", kResultByte));
}

extern "C" int32_t ZOR_SetPGAGain(uint8_t gain) { return WriteByte(Identifier("ZOR_SetPGAGain"), gain); }

extern "C" int32_t ZOR_GetPGAGain(void) { return ReadSignedByte(Decoding("ZOR_GetPGAGain", kResultByte)); }

extern "C" int32_t ZOR_SetFixedPGAGain(uint8_t fixed, uint8_t gain) {
    Payload payload{};
    payload[0] = fixed;
    payload[1] = gain;
    return ExchangeWrite(Identifier("ZOR_SetFixedPGAGain"), payload);
}

// A configuration image that does not fit the fixed payload is refused
// rather than sent cut short, which the device would store as a corrupt
// configuration.
extern "C" int32_t ZOR_ApplyScanConfig(const uint8_t *image, int32_t len) {
    if (len < 0 || len > ZOR_APPLY_CFG_PAYLOAD || (image == nullptr && len > 0)) return -1;
    Payload payload{};
    if (len > 0) std::memcpy(payload.data(), image, static_cast<size_t>(len));
    return ExchangeWrite(Identifier("ZOR_ApplyScanConfig"), payload);
}

extern "C" int32_t ZOR_SaveScanCfgInDevice(uint8_t index, const uint8_t *image, uint32_t len) {
    if (len > ZOR_SAVE_CFG_IMAGE_MAX || (image == nullptr && len > 0)) return -1;
    Payload payload{};
    payload[0] = 0;
    payload[1] = index;
    payload[2] = static_cast<uint8_t>(len);
    if (len > 0) std::memcpy(payload.data() + kSaveCfgImageOffset, image, len);
    return ExchangeWrite(Identifier("ZOR_SaveScanCfgInDevice"), payload);
}

extern "C" int32_t ZOR_GetScanCfg(uint8_t index, uint8_t *image, uint32_t *len) {
    const int32_t result = ExchangeReadParam(Decoding("ZOR_GetScanCfg", kImageLength), index);
    if (result < 1) return result;
    const uint32_t imageLen = kImageLength.get();
    // The stated image must lie inside what the device sent (which holds at
    // least the length word) and what the caller's buffer holds.
    if (imageLen > ReplyLength() - kImageStart || imageLen > ZOR_SCAN_CFG_IMAGE_MAX) return ZOR_ERR_REJECTED;
    CopyReply(kImageStart, image, imageLen);
    *len = imageLen;
    return 0;
}

extern "C" int32_t ZOR_EraseAllScanCfg(void) {
    return WriteByte(Identifier("ZOR_EraseAllScanCfg"), 0x5A);  // 'Z' guards against accidents
}

extern "C" int32_t ZOR_GetNumScanCfg(void) {
    return ReadUnsignedByte(Decoding("ZOR_GetNumScanCfg", kResultByte));
}

extern "C" int32_t ZOR_GetActiveScanIndex(void) {
    return ReadUnsignedByte(Decoding("ZOR_GetActiveScanIndex", kResultByte));
}

extern "C" int32_t ZOR_SetActiveScanIndex(uint8_t index) {
    return WriteByte(Identifier("ZOR_SetActiveScanIndex"), index);
}

extern "C" int32_t ZOR_SetScanControlsVELCOnOff(uint8_t on) {
    return WriteByte(Identifier("ZOR_SetScanControlsVELCOnOff"), on);
}

extern "C" int32_t ZOR_VELCEnable(uint8_t enable, uint8_t secondFlag) {
    Payload payload{};
    payload[0] = enable;
    payload[1] = secondFlag;
    return ExchangeWrite(Identifier("ZOR_VELCEnable"), payload);
}

extern "C" int32_t ZOR_setScanSubImage(uint16_t first, uint16_t second) {
    Payload payload{};
    PutU16(payload, 0, first);
    PutU16(payload, 2, second);
    return ExchangeWrite(Identifier("ZOR_setScanSubImage"), payload);
}

extern "C" int32_t ZOR_SetScanNumRepeats(uint16_t repeats) {
    Payload payload{};
    PutU16(payload, 0, repeats);
    return ExchangeWrite(Identifier("ZOR_SetScanNumRepeats"), payload);
}

extern "C" int32_t ZOR_SetScanNameTag(const char *name, int32_t len) {
    // At most the 14 bytes of the field are taken; a shorter name is
    // followed by a zero byte.
    const size_t count = static_cast<size_t>(std::clamp(len, 0, ZOR_SCAN_NAME_TAG_LEN));
    if (name == nullptr && count > 0) return -1;
    Payload payload{};
    if (count > 0) std::memcpy(payload.data(), name, count);
    if (count < ZOR_SCAN_NAME_TAG_LEN) payload[count] = 0;
    return ExchangeWrite(Identifier("ZOR_SetScanNameTag"), payload);
}

extern "C" int32_t ZOR_GetEstimatedScanTime(void) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetEstimatedScanTime", kScanTimeMs));
    if (result < 1) return result;
    return static_cast<int32_t>(kScanTimeMs.get());
}

extern "C" int32_t ZOR_InterpretScan(void) { return WriteNothing(Identifier("ZOR_InterpretScan")); }

extern "C" int32_t ZOR_GenCalibPatterns(uint32_t value) {
    return WriteByte(Identifier("ZOR_GenCalibPatterns"), static_cast<uint8_t>(value));
}

extern "C" int32_t ZOR_StartSNRScan(void) { return WriteNothing(Identifier("ZOR_StartSNRScan")); }

extern "C" int32_t ZOR_StartHadSNRScan(void) { return WriteNothing(Identifier("ZOR_StartHadSNRScan")); }

extern "C" int32_t ZOR_GetSNRData(uint32_t *value0, uint32_t *value1, uint32_t *value2) {
    if (ExchangeRead(Decoding("ZOR_GetSNRData", kSnrWords)) < 1) return -1;
    *value0 = kSnrWords.get(0);
    *value1 = kSnrWords.get(1);
    *value2 = kSnrWords.get(2);
    return 0;
}

extern "C" int32_t ZOR_SaveRefCalPerformed(void) {
    return WriteByte(Identifier("ZOR_SaveRefCalPerformed"), 0);
}

extern "C" int32_t ZOR_UpdateRefCalDataWithWORefl(void) {
    return WriteNothing(Identifier("ZOR_UpdateRefCalDataWithWORefl"));
}
