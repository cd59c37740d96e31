#include "link_commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "API.h"

namespace fuzz {

bool Outputs::untouched() const {
    for (const Block &b : blocks_)
        for (size_t i = 0; i < b.size; ++i)
            if (b.data[i] != kMarker) return false;
    return true;
}

void link_fail(const char *what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

namespace {

// An input block of exactly n bytes from the fuzz input.
struct InputBlock {
    std::unique_ptr<uint8_t[]> data;
    explicit InputBlock(ByteCursor &in, size_t n) : data(new uint8_t[n ? n : 1]()) {
        std::vector<uint8_t> bytes = in.take(n);
        if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
    }
    const char *text() const { return reinterpret_cast<const char *>(data.get()); }
};

}  // namespace

const std::vector<LinkCommand> &link_commands() {
    static const std::vector<LinkCommand> table = {
        [](ByteCursor &, Outputs &o) { return ZOR_GetFlashChecksum(o.make<uint32_t>()); },
        [](ByteCursor &in, Outputs &) {
            uint32_t len = in.u16() % 1100;
            InputBlock data(in, len);
            int32_t rc = ZOR_WriteFileData(data.data.get(), len);
            uint32_t limit = g_UARTConnected ? ZOR_WRITE_PIECE_UART : ZOR_WRITE_PIECE_USB;
            if (rc >= 0 && static_cast<uint32_t>(rc) > (len < limit ? len : limit))
                link_fail("ZOR_WriteFileData reports more bytes than it may send");
            return rc;
        },
        [](ByteCursor &in, Outputs &) {
            uint32_t s = in.u32();
            return ZOR_SetFileSizeAndAction(s, in.u32());
        },
        [](ByteCursor &in, Outputs &) { return ZOR_GetFileSizeToRead(in.u32()); },
        [](ByteCursor &, Outputs &o) {
            uint8_t *piece = o.make<uint8_t>(ZOR_FILE_PIECE_MAX);
            uint32_t *len = o.make<uint32_t>();
            int32_t rc = ZOR_GetFileData(piece, len);
            if (rc >= 0 && *len > ZOR_FILE_PIECE_MAX) link_fail("piece longer than its buffer");
            return rc;
        },
        [](ByteCursor &in, Outputs &) {
            // The partial file stays in dest by design; only its bounds count.
            int32_t size = in.u16() % 8192;
            std::unique_ptr<uint8_t[]> dest(new uint8_t[size ? size : 1]);
            int32_t rc = ZOR_GetFile(dest.get(), size);
            if (rc < 0 || rc > size) link_fail("ZOR_GetFile count outside 0..size");
            return 0;
        },
        [](ByteCursor &, Outputs &) { return ZOR_TestEEPROM(); },
        [](ByteCursor &, Outputs &) { return ZOR_TestADC(); },
        [](ByteCursor &, Outputs &o) {
            return ZOR_TestBQ(o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>(),
                              o.make<uint32_t>());
        },
        [](ByteCursor &, Outputs &) { return ZOR_TestSDRAM(); },
        [](ByteCursor &in, Outputs &) {
            uint8_t a = in.byte();
            return ZOR_VELCEnable(a, in.byte());
        },
        [](ByteCursor &, Outputs &) { return ZOR_TestTMP(); },
        [](ByteCursor &, Outputs &) { return ZOR_TestHDC(); },
        [](ByteCursor &in, Outputs &) { return ZOR_TestBT(in.byte()); },
        [](ByteCursor &in, Outputs &) { return ZOR_TestLED(in.byte()); },
        [](ByteCursor &, Outputs &o) { return ZOR_ButtonTestRd(o.make<uint8_t>()); },
        [](ByteCursor &in, Outputs &) { return ZOR_ButtonTestWr(in.byte()); },
        [](ByteCursor &, Outputs &) { return ZOR_EEPROM_CalTest(); },
        [](ByteCursor &, Outputs &o) {
            return ZOR_GetVersion(o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>(),
                                  o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>(),
                                  o.make<uint32_t>());
        },
        [](ByteCursor &in, Outputs &) { return ZOR_PerformScan(in.byte()); },
        [](ByteCursor &, Outputs &) { return ZOR_GetScanComplete(); },
        [](ByteCursor &, Outputs &) { return ZOR_ResetMivo(); },
        [](ByteCursor &in, Outputs &) { return ZOR_SetPGAGain(in.byte()); },
        [](ByteCursor &in, Outputs &) {
            uint32_t r = in.u32();
            return ZOR_SetVELCReg(r, in.u32());
        },
        [](ByteCursor &in, Outputs &o) { return ZOR_GetVELCReg(in.u32(), o.make<uint32_t>()); },
        [](ByteCursor &in, Outputs &) {
            int32_t len = in.byte() % (ZOR_APPLY_CFG_PAYLOAD + 1);
            InputBlock image(in, static_cast<size_t>(len));
            return ZOR_ApplyScanConfig(image.data.get(), len);
        },
        [](ByteCursor &in, Outputs &) {
            uint8_t index = in.byte();
            uint32_t len = in.byte() % (ZOR_SAVE_CFG_IMAGE_MAX + 1);
            InputBlock image(in, len);
            return ZOR_SaveScanCfgInDevice(index, image.data.get(), len);
        },
        [](ByteCursor &in, Outputs &o) {
            uint8_t *image = o.make<uint8_t>(ZOR_SCAN_CFG_IMAGE_MAX);
            uint32_t *len = o.make<uint32_t>();
            int32_t rc = ZOR_GetScanCfg(in.byte(), image, len);
            if (rc >= 0 && *len > ZOR_SCAN_CFG_IMAGE_MAX) link_fail("configuration longer than its buffer");
            return rc;
        },
        [](ByteCursor &, Outputs &) { return ZOR_EraseAllScanCfg(); },
        [](ByteCursor &, Outputs &) { return ZOR_GetNumScanCfg(); },
        [](ByteCursor &, Outputs &) { return ZOR_GetActiveScanIndex(); },
        [](ByteCursor &in, Outputs &) { return ZOR_SetActiveScanIndex(in.byte()); },
        [](ByteCursor &in, Outputs &) { return ZOR_SetScanControlsVELCOnOff(in.byte()); },
        [](ByteCursor &in, Outputs &) {
            uint16_t a = in.u16();
            return ZOR_setScanSubImage(a, in.u16());
        },
        [](ByteCursor &in, Outputs &) {
            uint8_t a = in.byte(), b = in.byte();
            return ZOR_SendEEPROMWipe(a, b, in.byte());
        },
        [](ByteCursor &, Outputs &) { return ZOR_GetPGAGain(); },
        [](ByteCursor &, Outputs &) { return ZOR_StartSNRScan(); },
        [](ByteCursor &, Outputs &o) {
            return ZOR_GetSNRData(o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>());
        },
        [](ByteCursor &in, Outputs &) { return ZOR_GenCalibPatterns(in.u32()); },
        [](ByteCursor &in, Outputs &) { return ZOR_SetScanNumRepeats(in.u16()); },
        [](ByteCursor &, Outputs &) { return ZOR_StartHadSNRScan(); },
        [](ByteCursor &, Outputs &) { return ZOR_SaveRefCalPerformed(); },
        [](ByteCursor &in, Outputs &) {
            InputBlock s(in, 8);
            return ZOR_SetSerialNumber(s.text());
        },
        [](ByteCursor &, Outputs &o) { return ZOR_GetSerialNumber(o.make<char>(8)); },
        [](ByteCursor &in, Outputs &) {
            int32_t len = in.byte() % (ZOR_SCAN_NAME_TAG_LEN + 1);
            InputBlock name(in, static_cast<size_t>(len));
            return ZOR_SetScanNameTag(name.text(), len);
        },
        [](ByteCursor &, Outputs &) { return ZOR_EEPROMMass_Erase(); },
        [](ByteCursor &, Outputs &) { return ZOR_GetEstimatedScanTime(); },
        [](ByteCursor &, Outputs &) { return ZOR_InterpretScan(); },
        [](ByteCursor &in, Outputs &) {
            InputBlock s(in, 24);
            return ZOR_WriteBleDispName(s.text());
        },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadBleDispName(o.make<char>(24)); },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadLampUsage(o.make<uint64_t>()); },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadHum(o.make<uint32_t>(), o.make<uint32_t>()); },
        [](ByteCursor &in, Outputs &) {
            uint8_t v[7];
            for (uint8_t &b : v) b = in.byte();
            return ZOR_SetDateTime(v[0], v[1], v[2], v[3], v[4], v[5], v[6]);
        },
        [](ByteCursor &, Outputs &o) {
            return ZOR_ReadBattVolt(o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>());
        },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadMivoTemp(o.make<uint32_t>()); },
        [](ByteCursor &, Outputs &o) {
            return ZOR_GetDateTime(o.make<uint8_t>(), o.make<uint8_t>(), o.make<uint8_t>(), o.make<uint8_t>(),
                                   o.make<uint8_t>(), o.make<uint8_t>(), o.make<uint8_t>());
        },
        [](ByteCursor &, Outputs &) { return ZOR_HibernateMode(); },
        [](ByteCursor &in, Outputs &) { return ZOR_SetHibernate(in.byte()); },
        [](ByteCursor &, Outputs &) { return ZOR_GetHibernate(); },
        [](ByteCursor &, Outputs &o) { return ZOR_GetManufacturingSerNum(o.make<char>(20)); },
        [](ByteCursor &in, Outputs &) {
            InputBlock s(in, 16);
            return ZOR_SaveModelName(s.text());
        },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadModelName(o.make<char>(16)); },
        [](ByteCursor &, Outputs &o) {
            return ZOR_ReadHWVersion(o.make<char>(8), o.make<uint32_t>(), o.make<uint32_t>());
        },
        [](ByteCursor &, Outputs &o) { return ZOR_GetFlashUniqueID(o.make<uint8_t>(8)); },
        [](ByteCursor &, Outputs &o) {
            return ZOR_GetPhotoDetector(o.make<uint32_t>(), o.make<uint32_t>(), o.make<uint32_t>());
        },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadDeviceStatus(o.make<uint32_t>()); },
        [](ByteCursor &, Outputs &o) { return ZOR_ReadErrorStatus(o.make<uint8_t>(ZOR_ERROR_STATUS_LEN)); },
        [](ByteCursor &, Outputs &) { return ZOR_ResetErrorStatus(); },
        [](ByteCursor &in, Outputs &) { return ZOR_GetSpecificErrorStatus(in.u32()); },
        [](ByteCursor &in, Outputs &) { return ZOR_GetSpecificErrorcode(in.byte()); },
        [](ByteCursor &in, Outputs &) { return ZOR_ClearSpecificError(in.u32()); },
        [](ByteCursor &, Outputs &) { return ZOR_UpdateRefCalDataWithWORefl(); },
        [](ByteCursor &, Outputs &) { return ZOR_EraseVelcorFlash(); },
        [](ByteCursor &in, Outputs &) {
            uint8_t f = in.byte();
            return ZOR_SetFixedPGAGain(f, in.byte());
        },
        [](ByteCursor &, Outputs &) { return ZOR_GotoMivoBootLoader(); },
        // The message tables, with codes from the input.
        [](ByteCursor &in, Outputs &o) {
            return ZOR_TMP_GetErrorMessageFromErrorCode(in.u32(), o.make<char>(20));
        },
        [](ByteCursor &in, Outputs &o) {
            return ZOR_HDC_GetErrorMessageFromErrorCode(in.u32(), o.make<char>(20));
        },
        [](ByteCursor &in, Outputs &o) {
            return ZOR_ADC_GetErrorMessageFromErrorCode(in.u32(), o.make<char>(20));
        },
        [](ByteCursor &in, Outputs &o) {
            return ZOR_SDC_GetErrorMessageFromErrorCode(in.u32(), o.make<char>(ZOR_ERROR_TEXT_MAX));
        },
        // Calibration coefficients travel as an image the command decodes.
        [](ByteCursor &in, Outputs &) {
            calibCoeffSet coeffs;
            InputBlock raw(in, sizeof coeffs);
            std::memcpy(&coeffs, raw.data.get(), sizeof coeffs);
            return ZOR_SendCalibStruct(&coeffs);
        },
        [](ByteCursor &, Outputs &o) { return ZOR_GetCalibStruct(o.make<calibCoeffSet>()); },
    };
    return table;
}

}  // namespace fuzz
