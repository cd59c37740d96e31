// The device's status word, error-status record and per-type errors.
#include "API.h"
#include "catalogue.h"
#include "exchange.h"

using namespace zor;

namespace {
constexpr Field<uint32_t> kStatusWord{0};
constexpr ReplyField kErrorRecord{0, ZOR_ERROR_STATUS_LEN};
constexpr Field<uint16_t> kErrorCode{0};
}  // namespace

extern "C" int32_t ZOR_ReadDeviceStatus(uint32_t *status) {
    const int32_t result = ExchangeRead(Decoding("ZOR_ReadDeviceStatus", kStatusWord));
    if (result < 1) return result;
    *status = kStatusWord.get();
    return 0;
}

extern "C" int32_t ZOR_ReadErrorStatus(uint8_t *status) {
    const int32_t result = ExchangeRead(Decoding("ZOR_ReadErrorStatus", kErrorRecord));
    if (result < 1) return result;
    CopyReply(kErrorRecord.offset, status, kErrorRecord.width);
    return 0;
}

extern "C" int32_t ZOR_ResetErrorStatus(void) { return WriteNothing(Identifier("ZOR_ResetErrorStatus")); }

extern "C" int32_t ZOR_GetSpecificErrorStatus(uint32_t type) {
    const int32_t result = ExchangeReadParam(Decoding("ZOR_GetSpecificErrorStatus", kResultByte), type);
    if (result < 1) return result;
    return kResultByte.get();
}

extern "C" int32_t ZOR_GetSpecificErrorcode(uint8_t type) {
    const int32_t result = ExchangeReadParam(Decoding("ZOR_GetSpecificErrorcode", kErrorCode), type);
    if (result < 1) return result;
    return kErrorCode.get();
}

extern "C" int32_t ZOR_ClearSpecificError(uint32_t type) {
    Payload payload{};
    PutU32(payload, 0, type);
    return ExchangeWrite(Identifier("ZOR_ClearSpecificError"), payload);
}
