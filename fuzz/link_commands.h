// The device commands the link fuzz target drives, as a table: each entry
// takes its arguments from the input, calls one command wrapper (or the
// file transfer) with exact-size heap blocks for its out-parameters, and
// checks what the wrapper promises about sizes. Shared with the seed
// generator, which runs the same entries against the virtual spectrometer.
#pragma once

#include <algorithm>
#include <functional>
#include <tuple>
#include <type_traits>

#include "API.h"
#include "fuzz_input.h"

namespace fuzz {

// Exact-size output blocks filled with a marker, to see whether a command
// that failed wrote its out-parameters.
class Outputs {
public:
    static constexpr uint8_t kMarker = 0xA5;
    template <typename T>
    T *Make(size_t count = 1) {
        return reinterpret_cast<T *>(blocks_.emplace_back(sizeof(T) * count, kMarker).data());
    }
    bool Untouched() const {
        for (const std::vector<uint8_t> &b : blocks_)
            if (std::find_if(b.begin(), b.end(), [](uint8_t v) { return v != kMarker; }) != b.end())
                return false;
        return true;
    }

private:
    // A vector built at its size is a heap block of exactly that size; moving
    // it when the list grows keeps the block in place.
    std::vector<std::vector<uint8_t>> blocks_;
};

using LinkCommand = std::function<int32_t(ByteCursor &, Outputs &)>;

// An input block of exactly n bytes from the fuzz input.
struct InputBlock {
    std::unique_ptr<uint8_t[]> data;
    explicit InputBlock(ByteCursor &in, size_t n) : data(new uint8_t[n ? n : 1]()) {
        std::vector<uint8_t> bytes = in.Take(n);
        if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
    }
    const char *text() const { return reinterpret_cast<const char *>(data.get()); }
};

// One argument of a command, by its type: a number of that width from the
// input, or a one-element out-parameter. Commands whose out-parameters are
// arrays keep their own entry below.
template <typename T>
T Arg(ByteCursor &in, Outputs &o) {
    if constexpr (std::is_pointer_v<T>) {
        static_assert(!std::is_const_v<std::remove_pointer_t<T>>, "input blocks need their own entry");
        return o.Make<std::remove_pointer_t<T>>();
    } else {
        static_assert(std::is_unsigned_v<T>);
        return in.Number<T>();
    }
}

// Calls the command with its arguments taken in order (a braced list
// evaluates left to right).
template <typename... Params>
LinkCommand Call(int32_t (*command)(Params...)) {
    return [command](ByteCursor &in, Outputs &o) {
        std::tuple<Params...> args{Arg<Params>(in, o)...};
        return std::apply(command, args);
    };
}

// Commands taking a fixed-size text, filling a fixed-size array, or looking
// up a message for a code from the input.
template <size_t kSize>
LinkCommand Text(int32_t (*command)(const char *)) {
    return [command](ByteCursor &in, Outputs &) { return command(InputBlock(in, kSize).text()); };
}
template <typename T, size_t kCount>
LinkCommand Array(int32_t (*command)(T *)) {
    return [command](ByteCursor &, Outputs &o) { return command(o.Make<T>(kCount)); };
}
template <size_t kTextSize>
LinkCommand Message(int32_t (*lookup)(uint32_t, char *)) {
    return [lookup](ByteCursor &in, Outputs &o) {
        return lookup(in.Number<uint32_t>(), o.Make<char>(kTextSize));
    };
}

inline const std::vector<LinkCommand> &LinkCommands() {
    static const std::vector<LinkCommand> table = {
        Call(ZOR_GetFlashChecksum),
        [](ByteCursor &in, Outputs &) {
            uint32_t len = in.Number<uint16_t>() % 1100;
            InputBlock data(in, len);
            int32_t rc = ZOR_WriteFileData(data.data.get(), len);
            uint32_t limit = g_UARTConnected ? ZOR_WRITE_PIECE_UART : ZOR_WRITE_PIECE_USB;
            if (rc >= 0 && static_cast<uint32_t>(rc) > (len < limit ? len : limit))
                Fail("ZOR_WriteFileData reports more bytes than it may send");
            return rc;
        },
        Call(ZOR_SetFileSizeAndAction), Call(ZOR_GetFileSizeToRead),
        [](ByteCursor &, Outputs &o) {
            uint8_t *piece = o.Make<uint8_t>(ZOR_FILE_PIECE_MAX);
            uint32_t *len = o.Make<uint32_t>();
            int32_t rc = ZOR_GetFileData(piece, len);
            if (rc >= 0 && *len > ZOR_FILE_PIECE_MAX) Fail("piece longer than its buffer");
            return rc;
        },
        [](ByteCursor &in, Outputs &) {
            // The partial file stays in dest by design; only its bounds count.
            int32_t size = in.Number<uint16_t>() % 8192;
            std::unique_ptr<uint8_t[]> dest(new uint8_t[size ? size : 1]);
            int32_t rc = ZOR_GetFile(dest.get(), size);
            if (rc < 0 || rc > size) Fail("ZOR_GetFile count outside 0..size");
            return 0;
        },
        Call(ZOR_TestEEPROM), Call(ZOR_TestADC), Call(ZOR_TestBQ), Call(ZOR_TestSDRAM), Call(ZOR_VELCEnable),
        Call(ZOR_TestTMP), Call(ZOR_TestHDC), Call(ZOR_TestBT), Call(ZOR_TestLED), Call(ZOR_ButtonTestRd),
        Call(ZOR_ButtonTestWr), Call(ZOR_EEPROM_CalTest), Call(ZOR_GetVersion), Call(ZOR_PerformScan),
        Call(ZOR_GetScanComplete), Call(ZOR_ResetMivo), Call(ZOR_SetPGAGain), Call(ZOR_SetVELCReg),
        Call(ZOR_GetVELCReg),
        [](ByteCursor &in, Outputs &) {
            int32_t len = in.Byte() % (ZOR_APPLY_CFG_PAYLOAD + 1);
            return ZOR_ApplyScanConfig(InputBlock(in, static_cast<size_t>(len)).data.get(), len);
        },
        [](ByteCursor &in, Outputs &) {
            uint8_t index = in.Byte();
            uint32_t len = in.Byte() % (ZOR_SAVE_CFG_IMAGE_MAX + 1);
            return ZOR_SaveScanCfgInDevice(index, InputBlock(in, len).data.get(), len);
        },
        [](ByteCursor &in, Outputs &o) {
            uint8_t *image = o.Make<uint8_t>(ZOR_SCAN_CFG_IMAGE_MAX);
            uint32_t *len = o.Make<uint32_t>();
            int32_t rc = ZOR_GetScanCfg(in.Byte(), image, len);
            if (rc >= 0 && *len > ZOR_SCAN_CFG_IMAGE_MAX) Fail("configuration longer than its buffer");
            return rc;
        },
        Call(ZOR_EraseAllScanCfg), Call(ZOR_GetNumScanCfg), Call(ZOR_GetActiveScanIndex),
        Call(ZOR_SetActiveScanIndex), Call(ZOR_SetScanControlsVELCOnOff), Call(ZOR_setScanSubImage),
        Call(ZOR_SendEEPROMWipe), Call(ZOR_GetPGAGain), Call(ZOR_StartSNRScan), Call(ZOR_GetSNRData),
        Call(ZOR_GenCalibPatterns), Call(ZOR_SetScanNumRepeats), Call(ZOR_StartHadSNRScan),
        Call(ZOR_SaveRefCalPerformed), Text<8>(ZOR_SetSerialNumber), Array<char, 8>(ZOR_GetSerialNumber),
        [](ByteCursor &in, Outputs &) {
            int32_t len = in.Byte() % (ZOR_SCAN_NAME_TAG_LEN + 1);
            return ZOR_SetScanNameTag(InputBlock(in, static_cast<size_t>(len)).text(), len);
        },
        Call(ZOR_EEPROMMass_Erase), Call(ZOR_GetEstimatedScanTime), Call(ZOR_InterpretScan),
        Text<24>(ZOR_WriteBleDispName), Array<char, 24>(ZOR_ReadBleDispName), Call(ZOR_ReadLampUsage),
        Call(ZOR_ReadHum), Call(ZOR_SetDateTime), Call(ZOR_ReadBattVolt), Call(ZOR_ReadMivoTemp),
        Call(ZOR_GetDateTime), Call(ZOR_HibernateMode), Call(ZOR_SetHibernate), Call(ZOR_GetHibernate),
        Array<char, 20>(ZOR_GetManufacturingSerNum), Text<16>(ZOR_SaveModelName),
        Array<char, 16>(ZOR_ReadModelName),
        [](ByteCursor &, Outputs &o) {
            return ZOR_ReadHWVersion(o.Make<char>(8), o.Make<uint32_t>(), o.Make<uint32_t>());
        },
        Array<uint8_t, 8>(ZOR_GetFlashUniqueID), Call(ZOR_GetPhotoDetector), Call(ZOR_ReadDeviceStatus),
        Array<uint8_t, ZOR_ERROR_STATUS_LEN>(ZOR_ReadErrorStatus), Call(ZOR_ResetErrorStatus),
        Call(ZOR_GetSpecificErrorStatus), Call(ZOR_GetSpecificErrorcode), Call(ZOR_ClearSpecificError),
        Call(ZOR_UpdateRefCalDataWithWORefl), Call(ZOR_EraseVelcorFlash), Call(ZOR_SetFixedPGAGain),
        Call(ZOR_GotoMivoBootLoader), Message<20>(ZOR_TMP_GetErrorMessageFromErrorCode),
        Message<20>(ZOR_HDC_GetErrorMessageFromErrorCode), Message<20>(ZOR_ADC_GetErrorMessageFromErrorCode),
        Message<ZOR_ERROR_TEXT_MAX>(ZOR_SDC_GetErrorMessageFromErrorCode),
        // Calibration coefficients travel as an image the command decodes.
        [](ByteCursor &in, Outputs &) {
            calibCoeffSet coeffs;
            std::memcpy(&coeffs, InputBlock(in, sizeof coeffs).data.get(), sizeof coeffs);
            return ZOR_SendCalibStruct(&coeffs);
        },
        Call(ZOR_GetCalibStruct)};
    return table;
}

// Positions of a few entries in LinkCommands(), for the seed generator.
constexpr uint8_t kLinkGetFileSizeToRead = 3;
constexpr uint8_t kLinkGetFile = 5;
constexpr uint8_t kLinkPerformScan = 19;

}  // namespace fuzz
