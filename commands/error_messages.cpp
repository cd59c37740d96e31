// Message texts for the error codes of the device's TMP, HDC, ADC and SDC
// subsystems. Unlisted codes read "ERROR_UNDEFINED".
#include <cstring>
#include <iterator>

#include "API.h"

namespace {

constexpr const char *kUndefined = "ERROR_UNDEFINED";

// The temperature (TMP) and humidity (HDC) sensors share one table.
constexpr const char *kSensorMessages[] = {
    "PASS",          "ERROR_MANUID",       "ERROR_DEVID",
    "ERROR_RESET",   "ERROR_READREGISTER", "ERROR_WRITEREGISTER",
    "ERROR_TIMEOUT", "ERROR_I2C",
};

constexpr const char *kAdcMessages[] = {
    "PASS",         "ERROR_TIMEOUT",      "ERROR_POWERDOWN",     "ERROR_POWERUP",   "ERROR_STANDBY",
    "ERROR_WAEKUP", "ERROR_READREGISTER", "ERROR_WRITEREGISTER", "ERROR_CONFIGURE", "ERROR_SETBUFFER",
};

constexpr const char *kSdcMessages[] = {
    "PASS",
    "ERROR_DISK_ERR",
    "ERROR_INT_ERR",
    "ERROR_NOT_READY",
    "ERROR_NO_FILE",
    "ERROR_NO_PATH",
    "ERROR_INVALID_NAME",
    "ERROR_DENIED",
    "ERROR_EXIST",
    "ERROR_INVALID_OBJECT",
    "ERROR_WRITE_PROTECTED",
    "ERROR_INVALID_DRIVE",
    "ERROR_NOT_ENABLED",
    "ERROR_NO_FILESYSTEM",
    "ERROR_MKFS_ABORTED",
    "ERROR_TIMEOUT",
    "ERROR_LOCKED",
    "ERROR_NOT_ENOUGH_CORE",
    "ERROR_TOO_MANY_OPEN_FILES",
};

// Writes exactly the text and its zero; the rest of the buffer is untouched.
template <size_t N>
int32_t Lookup(const char *const (&table)[N], uint32_t code, char *text) {
    if (text == nullptr) return 0;
    const char *message = code < N ? table[code] : kUndefined;
    std::memcpy(text, message, std::strlen(message) + 1);
    return 0;
}

}  // namespace

extern "C" int32_t ZOR_TMP_GetErrorMessageFromErrorCode(uint32_t code, char *text) {
    return Lookup(kSensorMessages, code, text);
}

extern "C" int32_t ZOR_HDC_GetErrorMessageFromErrorCode(uint32_t code, char *text) {
    return Lookup(kSensorMessages, code, text);
}

extern "C" int32_t ZOR_ADC_GetErrorMessageFromErrorCode(uint32_t code, char *text) {
    return Lookup(kAdcMessages, code, text);
}

extern "C" int32_t ZOR_SDC_GetErrorMessageFromErrorCode(uint32_t code, char *text) {
    return Lookup(kSdcMessages, code, text);
}
