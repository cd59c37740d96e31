// Device identity, sensors, clock and power, DMD controller registers,
// self-tests and maintenance.
#include <cstring>

#include "API.h"
#include "catalogue.h"
#include "exchange.h"
#include "usb.h"

using namespace zor;

namespace {

constexpr uint32_t kBluetoothSettleMs = 2000;  // the radio needs this before it answers
constexpr size_t kSerialLen = 8;
constexpr size_t kManufacturingSerialLen = 20;
constexpr size_t kModelNameLen = 16;
constexpr size_t kBleNameLen = 24;
constexpr size_t kHwVersionTextLen = 8;
constexpr size_t kUniqueIdLen = 8;

// Pass/fail self-test: a result byte of 0 passes, any other fails with -1.
int32_t passFail(uint32_t id) {
    const int32_t result = exchangeRead(id);
    if (result < 1) return result;
    return replyU8(0) == 0 ? 0 : -1;
}

// A read that copies one fixed-width text field as it stands.
int32_t readField(uint32_t id, void *dest, size_t width) {
    const int32_t result = exchangeRead(id);
    if (result < 1) return result;
    copyReply(0, dest, width);
    return 0;
}

// An acknowledged write of one fixed-width field as it stands.
int32_t writeField(uint32_t id, const void *source, size_t width) {
    if (source == nullptr) return -1;
    Payload payload{};
    std::memcpy(payload.data(), source, width);
    return exchangeWrite(id, payload);
}

// Reads of three 32-bit values at offsets 0, 4, 8.
int32_t readThree(uint32_t id, uint32_t *value0, uint32_t *value1, uint32_t *value2) {
    const int32_t result = exchangeRead(id);
    if (result < 1) return result;
    *value0 = replyU32(0);
    *value1 = replyU32(4);
    *value2 = replyU32(8);
    return 0;
}

}  // namespace

// --- self-tests and switches ------------------------------------------------

extern "C" int32_t ZOR_TestEEPROM(void) { return passFail(identifier("ZOR_TestEEPROM")); }
extern "C" int32_t ZOR_TestADC(void) { return passFail(identifier("ZOR_TestADC")); }
extern "C" int32_t ZOR_TestTMP(void) { return passFail(identifier("ZOR_TestTMP")); }
extern "C" int32_t ZOR_TestHDC(void) { return passFail(identifier("ZOR_TestHDC")); }

extern "C" int32_t ZOR_TestSDRAM(void) { return readSignedByte(identifier("ZOR_TestSDRAM")); }

extern "C" int32_t ZOR_TestBQ(uint32_t *value0, uint32_t *value1, uint32_t *value2,
                              uint32_t *value3, uint32_t *value4) {
    const int32_t result = exchangeRead(identifier("ZOR_TestBQ"));
    if (result < 1) return result;
    uint32_t *outputs[] = {value0, value1, value2, value3, value4};
    for (size_t i = 0; i < 5; ++i) *outputs[i] = replyU32(4 * i);
    return 0;
}

extern "C" int32_t ZOR_TestBT(uint8_t on) {
    Payload payload{};
    payload[0] = on;
    const int32_t sent = sendWithoutAck(identifier("ZOR_TestBT"), payload);
    // The wait happens whether or not the send succeeded.
    USB_Sleep(kBluetoothSettleMs);
    if (sent < 1) return ZOR_ERR_TRANSPORT;
    return ZOR_GetAck();
}

extern "C" int32_t ZOR_TestLED(uint8_t value) { return writeByte(identifier("ZOR_TestLED"), value); }

extern "C" int32_t ZOR_ButtonTestRd(uint8_t *state) {
    const int32_t result = exchangeRead(identifier("ZOR_ButtonTestRd"));
    if (result < 1) return result;
    *state = replyU8(0);
    return 0;
}

extern "C" int32_t ZOR_ButtonTestWr(uint8_t enable) {
    return writeByte(identifier("ZOR_ButtonTestWr"), enable);
}

extern "C" int32_t ZOR_EEPROM_CalTest(void) { return writeNothing(identifier("ZOR_EEPROM_CalTest")); }

// --- identity -----------------------------------------------------------------

extern "C" int32_t ZOR_GetVersion(uint32_t *version0, uint32_t *version1, uint32_t *version2,
                                  uint32_t *version3, uint32_t *version4, uint32_t *version5,
                                  uint32_t *version6) {
    const int32_t result = exchangeRead(identifier("ZOR_GetVersion"));
    if (result < 1) return result;
    uint32_t *outputs[] = {version0, version1, version2, version3, version4, version5, version6};
    for (size_t i = 0; i < 7; ++i) *outputs[i] = replyU32(4 * i);
    return 0;
}

extern "C" int32_t ZOR_SetSerialNumber(const char *serial) {
    return writeField(identifier("ZOR_SetSerialNumber"), serial, kSerialLen);
}

extern "C" int32_t ZOR_GetSerialNumber(char *serial) {
    const int32_t result = exchangeRead(identifier("ZOR_GetSerialNumber"));
    if (result < 1) return result;
    // Copy up to 8 bytes, stopping after the first zero byte.
    for (size_t i = 0; i < kSerialLen; ++i) {
        serial[i] = static_cast<char>(replyU8(i));
        if (serial[i] == '\0') break;
    }
    return 0;
}

extern "C" int32_t ZOR_GetManufacturingSerNum(char *serial) {
    return readField(identifier("ZOR_GetManufacturingSerNum"), serial, kManufacturingSerialLen);
}

extern "C" int32_t ZOR_SaveModelName(const char *name) {
    return writeField(identifier("ZOR_SaveModelName"), name, kModelNameLen);
}

extern "C" int32_t ZOR_ReadModelName(char *name) {
    return readField(identifier("ZOR_ReadModelName"), name, kModelNameLen);
}

extern "C" int32_t ZOR_WriteBleDispName(const char *name) {
    return writeField(identifier("ZOR_WriteBleDispName"), name, kBleNameLen);
}

extern "C" int32_t ZOR_ReadBleDispName(char *name) {
    return readField(identifier("ZOR_ReadBleDispName"), name, kBleNameLen);
}

extern "C" int32_t ZOR_ReadHWVersion(char *text, uint32_t *first, uint32_t *second) {
    const int32_t result = exchangeRead(identifier("ZOR_ReadHWVersion"));
    if (result < 1) return result;
    copyReply(0, text, kHwVersionTextLen);
    *first = replyU32(8);
    *second = replyU32(12);
    return 0;
}

extern "C" int32_t ZOR_GetFlashUniqueID(uint8_t id[8]) {
    return readField(identifier("ZOR_GetFlashUniqueID"), id, kUniqueIdLen);
}

// --- sensors ------------------------------------------------------------------

extern "C" int32_t ZOR_ReadHum(uint32_t *humidity, uint32_t *temperature) {
    const int32_t result = exchangeRead(identifier("ZOR_ReadHum"));
    if (result < 1) return result;
    // The device sends temperature first, humidity second.
    *temperature = replyU32(0);
    *humidity = replyU32(4);
    return 0;
}

extern "C" int32_t ZOR_ReadBattVolt(uint32_t *voltage, uint32_t *percent, uint32_t *third) {
    return readThree(identifier("ZOR_ReadBattVolt"), voltage, percent, third);
}

extern "C" int32_t ZOR_ReadMivoTemp(uint32_t *temp) {
    const int32_t result = exchangeRead(identifier("ZOR_ReadMivoTemp"));
    if (result < 1) return result;
    *temp = replyU32(0);
    return 0;
}

extern "C" int32_t ZOR_ReadLampUsage(uint64_t *usage) {
    const int32_t result = exchangeRead(identifier("ZOR_ReadLampUsage"));
    if (result < 1) return result;
    *usage = replyU64(0);
    return 0;
}

extern "C" int32_t ZOR_GetPhotoDetector(uint32_t *value0, uint32_t *value1, uint32_t *value2) {
    return readThree(identifier("ZOR_GetPhotoDetector"), value0, value1, value2) < 0 ? -1 : 0;
}

// --- clock and power ------------------------------------------------------------

extern "C" int32_t ZOR_SetDateTime(uint8_t value0, uint8_t value1, uint8_t value2, uint8_t value3,
                                   uint8_t value4, uint8_t value5, uint8_t value6) {
    Payload payload{};
    const uint8_t values[] = {value0, value1, value2, value3, value4, value5, value6};
    std::memcpy(payload.data(), values, sizeof values);
    return exchangeWrite(identifier("ZOR_SetDateTime"), payload);
}

extern "C" int32_t ZOR_GetDateTime(uint8_t *value0, uint8_t *value1, uint8_t *value2,
                                   uint8_t *value3, uint8_t *value4, uint8_t *value5,
                                   uint8_t *value6) {
    const int32_t result = exchangeRead(identifier("ZOR_GetDateTime"));
    if (result < 1) return result;
    uint8_t *outputs[] = {value0, value1, value2, value3, value4, value5, value6};
    for (size_t i = 0; i < 7; ++i) *outputs[i] = replyU8(i);
    return 0;
}

extern "C" int32_t ZOR_SetHibernate(uint8_t on) { return writeByte(identifier("ZOR_SetHibernate"), on); }

extern "C" int32_t ZOR_GetHibernate(void) { return readSignedByte(identifier("ZOR_GetHibernate")); }

extern "C" int32_t ZOR_HibernateMode(void) {
    return sendWithoutAck(identifier("ZOR_HibernateMode"), Payload{}) < 1 ? -1 : 0;
}

extern "C" int32_t ZOR_ResetMivo(void) {
    return sendWithoutAck(identifier("ZOR_ResetMivo"), Payload{}) < 1 ? -1 : 0;
}

// --- DMD controller registers and maintenance -------------------------------------

extern "C" int32_t ZOR_SetVELCReg(uint32_t reg, uint32_t value) {
    Payload payload{};
    putU32(payload, 0, reg);
    putU32(payload, 4, value);
    return exchangeWrite(identifier("ZOR_SetVELCReg"), payload);
}

extern "C" int32_t ZOR_GetVELCReg(uint32_t reg, uint32_t *value) {
    const int32_t result = exchangeReadParam(identifier("ZOR_GetVELCReg"), reg);
    if (result < 1) return result;
    *value = replyU32(0);
    return 0;
}

extern "C" int32_t ZOR_SendEEPROMWipe(uint8_t flagA, uint8_t flagB, uint8_t flagC) {
    Payload payload{};
    payload[0] = flagA != 0 ? 1 : 0;
    payload[1] = flagB != 0 ? 1 : 0;
    payload[2] = flagC != 0 ? 1 : 0;
    return exchangeWrite(identifier("ZOR_SendEEPROMWipe"), payload);
}

extern "C" int32_t ZOR_EEPROMMass_Erase(void) { return writeNothing(identifier("ZOR_EEPROMMass_Erase")); }

extern "C" int32_t ZOR_EraseVelcorFlash(void) { return writeNothing(identifier("ZOR_EraseVelcorFlash")); }
