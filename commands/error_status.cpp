// The device's status word, error-status record and per-type errors.
#include "API.h"
#include "catalogue.h"
#include "exchange.h"

using namespace zor;

extern "C" int32_t ZOR_ReadDeviceStatus(uint32_t *status) {
    const int32_t result = exchangeRead(identifier("ZOR_ReadDeviceStatus"));
    if (result < 1) return result;
    *status = replyU32(0);
    return 0;
}

extern "C" int32_t ZOR_ReadErrorStatus(uint8_t *status) {
    const int32_t result = exchangeRead(identifier("ZOR_ReadErrorStatus"));
    if (result < 1) return result;
    copyReply(0, status, ZOR_ERROR_STATUS_LEN);
    return 0;
}

extern "C" int32_t ZOR_ResetErrorStatus(void) {
    return writeNothing(identifier("ZOR_ResetErrorStatus"));
}

extern "C" int32_t ZOR_GetSpecificErrorStatus(uint32_t type) {
    const int32_t result = exchangeReadParam(identifier("ZOR_GetSpecificErrorStatus"), type);
    if (result < 1) return result;
    return replyU8(0);
}

extern "C" int32_t ZOR_GetSpecificErrorcode(uint8_t type) {
    const int32_t result = exchangeReadParam(identifier("ZOR_GetSpecificErrorcode"), type);
    if (result < 1) return result;
    return replyU16(0);
}

extern "C" int32_t ZOR_ClearSpecificError(uint32_t type) {
    Payload payload{};
    putU32(payload, 0, type);
    return exchangeWrite(identifier("ZOR_ClearSpecificError"), payload);
}
