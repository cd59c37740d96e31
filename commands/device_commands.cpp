// Device identity, sensors, clock and power, DMD controller registers,
// self-tests and maintenance.
#include <algorithm>
#include <cstring>

#include "API.h"
#include "catalogue.h"
#include "exchange.h"
#include "usb.h"

using namespace zor;

namespace {

constexpr uint32_t kBluetoothSettleMs = 2000;  // the radio needs this before it answers
constexpr size_t kSerialLen = 8;
constexpr size_t kModelNameLen = 16;
constexpr size_t kBleNameLen = 24;

// Reply fields, by command.
constexpr ReplyField kSerial{0, kSerialLen};
constexpr ReplyField kManufacturingSerial{0, 20};
constexpr ReplyField kModelName{0, kModelNameLen};
constexpr ReplyField kBleName{0, kBleNameLen};
constexpr ReplyField kHwVersionText{0, 8};
constexpr Field<uint32_t> kHwVersionFirst{8}, kHwVersionSecond{12};
constexpr ReplyField kUniqueId{0, 8};
constexpr Field<uint32_t, 5> kChargerWords{0};
constexpr Field<uint32_t, 7> kVersionWords{0};
constexpr Field<uint32_t, 3> kThreeWords{0};
constexpr Field<uint32_t> kTemperature{0}, kHumidity{4};  // the device sends temperature first
constexpr Field<uint32_t> kWord{0};
constexpr Field<uint64_t> kLampUsage{0};
constexpr Field<uint8_t, 7> kClockBytes{0};

// Pass/fail self-test: a result byte of 0 passes, any other fails with -1.
int32_t PassFail(const CommandInfo &command) {
    const int32_t result = ExchangeRead(command);
    if (result < 1) return result;
    return kResultByte.get() == 0 ? 0 : -1;
}

// A read of one text field: the bytes the reply holds, as they stand.
int32_t ReadText(const CommandInfo &command, const ReplyField &field, char *dest) {
    const int32_t result = ExchangeRead(command);
    if (result < 1) return result;
    CopyText(field, dest);
    return 0;
}

// A read of one 32-bit value at offset 0.
int32_t ReadWord(const CommandInfo &command, uint32_t *value) {
    const int32_t result = ExchangeRead(command);
    if (result < 1) return result;
    *value = kWord.get();
    return 0;
}

// An acknowledged write of one fixed-width field as it stands.
int32_t WriteField(uint32_t id, const void *source, size_t width) {
    if (source == nullptr) return -1;
    Payload payload{};
    std::memcpy(payload.data(), source, width);
    return ExchangeWrite(id, payload);
}

// Reads of three 32-bit values at offsets 0, 4, 8.
int32_t ReadThree(const CommandInfo &command, uint32_t *value0, uint32_t *value1, uint32_t *value2) {
    const int32_t result = ExchangeRead(command);
    if (result < 1) return result;
    *value0 = kThreeWords.get(0);
    *value1 = kThreeWords.get(1);
    *value2 = kThreeWords.get(2);
    return 0;
}

}  // namespace

// --- self-tests and switches ------------------------------------------------

extern "C" int32_t ZOR_TestEEPROM(void) { return PassFail(Decoding("ZOR_TestEEPROM", kResultByte)); }
extern "C" int32_t ZOR_TestADC(void) { return PassFail(Decoding("ZOR_TestADC", kResultByte)); }
extern "C" int32_t ZOR_TestTMP(void) { return PassFail(Decoding("ZOR_TestTMP", kResultByte)); }
extern "C" int32_t ZOR_TestHDC(void) { return PassFail(Decoding("ZOR_TestHDC", kResultByte)); }

extern "C" int32_t ZOR_TestSDRAM(void) { return ReadSignedByte(Decoding("ZOR_TestSDRAM", kResultByte)); }

extern "C" int32_t ZOR_TestBQ(uint32_t *value0, uint32_t *value1, uint32_t *value2, uint32_t *value3,
                              uint32_t *value4) {
    const int32_t result = ExchangeRead(Decoding("ZOR_TestBQ", kChargerWords));
    if (result < 1) return result;
    uint32_t *outputs[] = {value0, value1, value2, value3, value4};
    for (size_t i = 0; i < 5; ++i) *outputs[i] = kChargerWords.get(i);
    return 0;
}

extern "C" int32_t ZOR_TestBT(uint8_t on) {
    Payload payload{};
    payload[0] = on;
    const int32_t sent = SendWithoutAck(Identifier("ZOR_TestBT"), payload);
    // The wait happens whether or not the send succeeded.
    USB_Sleep(kBluetoothSettleMs);
    if (sent < 1) return ZOR_ERR_TRANSPORT;
    return ZOR_GetAck();
}

extern "C" int32_t ZOR_TestLED(uint8_t value) { return WriteByte(Identifier("ZOR_TestLED"), value); }

extern "C" int32_t ZOR_ButtonTestRd(uint8_t *state) {
    const int32_t result = ExchangeRead(Decoding("ZOR_ButtonTestRd", kResultByte));
    if (result < 1) return result;
    *state = kResultByte.get();
    return 0;
}

extern "C" int32_t ZOR_ButtonTestWr(uint8_t enable) {
    return WriteByte(Identifier("ZOR_ButtonTestWr"), enable);
}

extern "C" int32_t ZOR_EEPROM_CalTest(void) { return WriteNothing(Identifier("ZOR_EEPROM_CalTest")); }

// --- identity -----------------------------------------------------------------

extern "C" int32_t ZOR_GetVersion(uint32_t *version0, uint32_t *version1, uint32_t *version2,
                                  uint32_t *version3, uint32_t *version4, uint32_t *version5,
                                  uint32_t *version6) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetVersion", kVersionWords));
    if (result < 1) return result;
    uint32_t *outputs[] = {version0, version1, version2, version3, version4, version5, version6};
    for (size_t i = 0; i < 7; ++i) *outputs[i] = kVersionWords.get(i);
    return 0;
}

extern "C" int32_t ZOR_SetSerialNumber(const char *serial) {
    return WriteField(Identifier("ZOR_SetSerialNumber"), serial, kSerialLen);
}

extern "C" int32_t ZOR_GetSerialNumber(char *serial) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetSerialNumber", kSerial));
    if (result < 1) return result;
    // Copy up to 8 bytes, stopping after the first zero byte; a reply that
    // ends first ends the text there.
    const size_t held = std::min<size_t>(ReplyLength(), kSerial.width);
    for (size_t i = 0; i < kSerial.width; ++i) {
        serial[i] = i < held ? static_cast<char>(Field<uint8_t>{i}.get()) : '\0';
        if (serial[i] == '\0') break;
    }
    return 0;
}

extern "C" int32_t ZOR_GetManufacturingSerNum(char *serial) {
    return ReadText(Decoding("ZOR_GetManufacturingSerNum", kManufacturingSerial), kManufacturingSerial,
                    serial);
}

extern "C" int32_t ZOR_SaveModelName(const char *name) {
    return WriteField(Identifier("ZOR_SaveModelName"), name, kModelNameLen);
}

extern "C" int32_t ZOR_ReadModelName(char *name) {
    return ReadText(Decoding("ZOR_ReadModelName", kModelName), kModelName, name);
}

extern "C" int32_t ZOR_WriteBleDispName(const char *name) {
    return WriteField(Identifier("ZOR_WriteBleDispName"), name, kBleNameLen);
}

extern "C" int32_t ZOR_ReadBleDispName(char *name) {
    return ReadText(Decoding("ZOR_ReadBleDispName", kBleName), kBleName, name);
}

extern "C" int32_t ZOR_ReadHWVersion(char *text, uint32_t *first, uint32_t *second) {
    const int32_t result =
        ExchangeRead(Decoding("ZOR_ReadHWVersion", kHwVersionText, kHwVersionFirst, kHwVersionSecond));
    if (result < 1) return result;
    CopyReply(kHwVersionText.offset, text, kHwVersionText.width);
    *first = kHwVersionFirst.get();
    *second = kHwVersionSecond.get();
    return 0;
}

extern "C" int32_t ZOR_GetFlashUniqueID(uint8_t id[8]) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetFlashUniqueID", kUniqueId));
    if (result < 1) return result;
    CopyReply(kUniqueId.offset, id, kUniqueId.width);
    return 0;
}

// --- sensors ------------------------------------------------------------------

extern "C" int32_t ZOR_ReadHum(uint32_t *humidity, uint32_t *temperature) {
    const int32_t result = ExchangeRead(Decoding("ZOR_ReadHum", kTemperature, kHumidity));
    if (result < 1) return result;
    *temperature = kTemperature.get();
    *humidity = kHumidity.get();
    return 0;
}

extern "C" int32_t ZOR_ReadBattVolt(uint32_t *voltage, uint32_t *percent, uint32_t *third) {
    return ReadThree(Decoding("ZOR_ReadBattVolt", kThreeWords), voltage, percent, third);
}

extern "C" int32_t ZOR_ReadMivoTemp(uint32_t *temp) {
    return ReadWord(Decoding("ZOR_ReadMivoTemp", kWord), temp);
}

extern "C" int32_t ZOR_ReadLampUsage(uint64_t *usage) {
    const int32_t result = ExchangeRead(Decoding("ZOR_ReadLampUsage", kLampUsage));
    if (result < 1) return result;
    *usage = kLampUsage.get();
    return 0;
}

extern "C" int32_t ZOR_GetPhotoDetector(uint32_t *value0, uint32_t *value1, uint32_t *value2) {
    return ReadThree(Decoding("ZOR_GetPhotoDetector", kThreeWords), value0, value1, value2) < 0 ? -1 : 0;
}

// --- clock and power ------------------------------------------------------------

extern "C" int32_t ZOR_SetDateTime(uint8_t value0, uint8_t value1, uint8_t value2, uint8_t value3,
                                   uint8_t value4, uint8_t value5, uint8_t value6) {
    Payload payload{};
    const uint8_t values[] = {value0, value1, value2, value3, value4, value5, value6};
    std::memcpy(payload.data(), values, sizeof values);
    return ExchangeWrite(Identifier("ZOR_SetDateTime"), payload);
}

extern "C" int32_t ZOR_GetDateTime(uint8_t *value0, uint8_t *value1, uint8_t *value2, uint8_t *value3,
                                   uint8_t *value4, uint8_t *value5, uint8_t *value6) {
    const int32_t result = ExchangeRead(Decoding("ZOR_GetDateTime", kClockBytes));
    if (result < 1) return result;
    uint8_t *outputs[] = {value0, value1, value2, value3, value4, value5, value6};
    for (size_t i = 0; i < 7; ++i) *outputs[i] = kClockBytes.get(i);
    return 0;
}

extern "C" int32_t ZOR_SetHibernate(uint8_t on) { return WriteByte(Identifier("ZOR_SetHibernate"), on); }

extern "C" int32_t ZOR_GetHibernate(void) {
    return ReadSignedByte(Decoding("ZOR_GetHibernate", kResultByte));
}

extern "C" int32_t ZOR_HibernateMode(void) {
    return SendWithoutAck(Identifier("ZOR_HibernateMode"), Payload{}) < 1 ? -1 : 0;
}

extern "C" int32_t ZOR_ResetMivo(void) {
    return SendWithoutAck(Identifier("ZOR_ResetMivo"), Payload{}) < 1 ? -1 : 0;
}

// --- DMD controller registers and maintenance -------------------------------------

extern "C" int32_t ZOR_SetVELCReg(uint32_t reg, uint32_t value) {
    Payload payload{};
    PutU32(payload, 0, reg);
    PutU32(payload, 4, value);
    return ExchangeWrite(Identifier("ZOR_SetVELCReg"), payload);
}

extern "C" int32_t ZOR_GetVELCReg(uint32_t reg, uint32_t *value) {
    const int32_t result = ExchangeReadParam(Decoding("ZOR_GetVELCReg", kWord), reg);
    if (result < 1) return result;
    *value = kWord.get();
    return 0;
}

extern "C" int32_t ZOR_SendEEPROMWipe(uint8_t flagA, uint8_t flagB, uint8_t flagC) {
    Payload payload{};
    payload[0] = flagA != 0 ? 1 : 0;
    payload[1] = flagB != 0 ? 1 : 0;
    payload[2] = flagC != 0 ? 1 : 0;
    return ExchangeWrite(Identifier("ZOR_SendEEPROMWipe"), payload);
}

extern "C" int32_t ZOR_EEPROMMass_Erase(void) { return WriteNothing(Identifier("ZOR_EEPROMMass_Erase")); }

extern "C" int32_t ZOR_EraseVelcorFlash(void) { return WriteNothing(Identifier("ZOR_EraseVelcorFlash")); }
