// Every device command against the virtual spectrometer: answered, decoded,
// and the state it changes kept until reset.
#include <functional>
#include <map>
#include <string_view>

#include "catalogue.h"
#include "exchange.h"
#include "virtual_fixture.h"

namespace {

// A column configuration for slot 3, as a stored image.
Bytes NarrowColumnImage() {
    scanCfg cfg{};
    cfg.scan_type = SCAN_TYPE_COLUMN;
    cfg.config_index = 3;
    std::memcpy(cfg.serial_number, VIRT_SERIAL_NUMBER, 8);
    std::strcpy(cfg.config_name, "narrow 1000-1600");
    cfg.wavelength_start_nm = 1000;
    cfg.wavelength_end_nm = 1600;
    cfg.width_px = 9;
    cfg.num_patterns = 120;
    cfg.num_repeats = 1;
    Bytes image(VELSPEC_IMG_SIZE_SCAN_CFG);
    EXPECT_EQ(velspec_scan_write_configuration(&cfg, image.data(), image.size()), VELSPEC_OK);
    return image;
}

}  // namespace

// Each catalogue command from factory state through the exchange helpers the
// wrappers use: an all-zero request is acknowledged, or answered with at least
// the bytes its wrapper decodes (-4 otherwise); a command without
// acknowledgement gets no reply. The exceptions need other arguments or an
// earlier exchange, and go through their wrappers.
TEST_F(VirtualDeviceTest, EveryCommandIsAnsweredAndDecodes) {
    uint32_t u[3] = {};
    calibCoeffSet coeffs{};
    Bytes narrow = NarrowColumnImage();
    Bytes apply = narrow;
    apply.resize(124, 0);
    auto ok = [](bool good) { return good ? 0 : -9; };
    const std::map<std::string_view, std::function<int32_t()>> exceptions = {
        {"ZOR_WriteFileData",
         [&] {
             return ok(ZOR_SetFileSizeAndAction(10, 7) == 0 && ZOR_WriteFileData(narrow.data(), 10) == 10);
         }},
        {"ZOR_GetFileData", [&] { return ok(!FetchFile(ZOR_FILE_MATRIX_DATA).empty()); }},
        {"ZOR_SetFileSizeAndAction", [] { return ZOR_SetFileSizeAndAction(10, 7); }},
        {"ZOR_EraseAllScanCfg", ZOR_EraseAllScanCfg},
        {"ZOR_GetScanComplete", [&] { return ok(ZOR_PerformScan(0) == 0 && ZOR_GetScanComplete() == 1); }},
        {"ZOR_SetPGAGain", [] { return ZOR_SetPGAGain(8); }},
        {"ZOR_ApplyScanConfig", [&] { return ZOR_ApplyScanConfig(apply.data(), 124); }},
        {"ZOR_SaveScanCfgInDevice",
         [&] { return ZOR_SaveScanCfgInDevice(3, narrow.data(), static_cast<uint32_t>(narrow.size())); }},
        {"ZOR_SendCalibStruct",
         [&] { return ZOR_GetCalibStruct(&coeffs) == 0 ? ZOR_SendCalibStruct(&coeffs) : -9; }},
        {"ZOR_GetSNRData",
         [&] {
             return ok(ZOR_StartSNRScan() == 0 && ZOR_GetSNRData(&u[0], &u[1], &u[2]) == 0 && u[0] > 100);
         }},
        {"ZOR_SetScanNumRepeats", [] { return ZOR_SetScanNumRepeats(3); }},
        {"ZOR_SaveRefCalPerformed", [] { return ZOR_PerformScan(0) == 0 ? ZOR_SaveRefCalPerformed() : -9; }},
        {"ZOR_InterpretScan", [] { return ZOR_PerformScan(0) == 0 ? ZOR_InterpretScan() : -9; }},
        {"ZOR_SetDateTime", [] { return ZOR_SetDateTime(26, 12, 24, 4, 18, 0, 5); }},
        {"ZOR_GetHibernate", [&] { return ok(ZOR_SetHibernate(1) == 0 && ZOR_GetHibernate() == 1); }},
    };
    for (const zor::CommandInfo &c : zor::kCatalogue) {
        SCOPED_TRACE(c.name);
        virt::Reset();
        const uint32_t id = zor::IdentifierOf(c);
        if (auto found = exceptions.find(c.name); found != exceptions.end()) {
            EXPECT_EQ(found->second(), 0);
        } else if (c.kind == zor::Kind::Read || c.kind == zor::Kind::ReadParam) {
            EXPECT_GT(c.kind == zor::Kind::Read ? zor::ExchangeRead(c) : zor::ExchangeReadParam(c, 0), 0);
        } else if (c.kind == zor::Kind::Write) {
            EXPECT_EQ(zor::ExchangeWrite(id, zor::Payload{}), 0);
        } else {
            uint8_t reply[64];
            EXPECT_GT(zor::SendWithoutAck(id, zor::Payload{}), 0);
            EXPECT_EQ(USB_ReadTimeout(reply, 0), 0);
        }
    }
    // The boot loader answers nothing but a restart (status 1 otherwise).
    ASSERT_GT(ZOR_GotoMivoBootLoader(), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), -4);
    ASSERT_EQ(ZOR_ResetMivo(), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
}

TEST_F(VirtualDeviceTest, SettingsPersistUntilResetAndBadValuesAreRejected) {
    uint64_t before = 0, after = 0;  // lamp usage grows with every lit scan
    ASSERT_EQ(ZOR_ReadLampUsage(&before), 0);
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    ASSERT_EQ(ZOR_ReadLampUsage(&after), 0);
    EXPECT_GT(after, before);

    const std::pair<const char *, std::function<int32_t()>> refused[] = {
        {"gain 3", [] { return ZOR_SetFixedPGAGain(1, 3); }},
        {"no repeats", [] { return ZOR_SetScanNumRepeats(0); }},
        {"slot 3 of 3", [] { return ZOR_SetActiveScanIndex(3); }},
        {"month 13", [] { return ZOR_SetDateTime(26, 13, 1, 0, 0, 0, 0); }},
        {"error type 16", [] { return ZOR_GetSpecificErrorStatus(16); }},
        {"file size 0", [] { return zor::ExchangeWrite(zor::Identifier("ZOR_SetFileSizeAndAction"), {}); }},
        {"no erase key", [] { return zor::ExchangeWrite(zor::Identifier("ZOR_EraseAllScanCfg"), {}); }},
    };
    EXPECT_EQ(ZOR_SetPGAGain(32), 0);
    for (const auto &[what, call] : refused) EXPECT_EQ(call(), -3) << what;
    EXPECT_EQ(ZOR_GetPGAGain(), 32);
    EXPECT_EQ(ZOR_SetActiveScanIndex(2), 0);
    EXPECT_EQ(ZOR_GetActiveScanIndex(), 2);

    uint8_t d[7];
    ASSERT_EQ(ZOR_SetDateTime(27, 2, 28, 0, 23, 59, 58), 0);
    ASSERT_EQ(ZOR_GetDateTime(&d[0], &d[1], &d[2], &d[3], &d[4], &d[5], &d[6]), 0);
    EXPECT_EQ(d[0], 27);
    EXPECT_EQ(d[6], 58);
    uint32_t value = 0;
    ASSERT_EQ(ZOR_SetVELCReg(0x1234, 0xCAFEF00D), 0);
    ASSERT_EQ(ZOR_GetVELCReg(0x1234, &value), 0);
    EXPECT_EQ(value, 0xCAFEF00Du);

    virt::RaiseDeviceError(7, 1, 6);  // TMP sensor: time-out
    EXPECT_EQ(ZOR_GetSpecificErrorStatus(7), 1);
    EXPECT_EQ(ZOR_GetSpecificErrorcode(7), 6);
    ASSERT_EQ(ZOR_ReadDeviceStatus(&value), 0);
    EXPECT_NE(value & (1u << 6), 0u);
    uint8_t record[20];
    ASSERT_EQ(ZOR_ReadErrorStatus(record), 0);
    EXPECT_EQ(record[0], 0x80);  // bit 7: type 7
    EXPECT_EQ(ZOR_ClearSpecificError(7), 0);
    EXPECT_EQ(ZOR_GetSpecificErrorStatus(7), 0);

    uint8_t pressed = 9;
    virt::SetButtonPressed(true);
    ASSERT_EQ(ZOR_ButtonTestRd(&pressed), 0);
    EXPECT_EQ(pressed, 1);
    ASSERT_EQ(ZOR_ButtonTestWr(0), 0);  // a disabled button reads released
    ASSERT_EQ(ZOR_ButtonTestRd(&pressed), 0);
    EXPECT_EQ(pressed, 0);

    // A controller restart brings the settings back, not the stored data.
    ZOR_ResetMivo();
    EXPECT_EQ(ZOR_GetPGAGain(), 16);
    EXPECT_EQ(ZOR_GetActiveScanIndex(), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 3);
}

TEST_F(VirtualDeviceTest, ConfigurationsAreStoredExactlyAsSentAndScanned) {
    Bytes image = NarrowColumnImage();
    ASSERT_EQ(ZOR_SaveScanCfgInDevice(3, image.data(), static_cast<uint32_t>(image.size())), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 4);
    Bytes back(ZOR_SCAN_CFG_IMAGE_MAX);
    uint32_t length = 0;
    ASSERT_EQ(ZOR_GetScanCfg(3, back.data(), &length), 0);
    back.resize(length);
    EXPECT_EQ(back, image);
    auto r = Scan(3);
    ASSERT_EQ(r->length, 120);
    EXPECT_EQ(r->cfg.sections[0].width_px, 9);
    EXPECT_NEAR(r->wavelength[0], 1000.0, 2.0);
    EXPECT_NEAR(r->wavelength[119], 1600.0, 2.0);

    // Applied without a slot: scanned until a slot is chosen again.
    image.resize(124, 0);
    ASSERT_EQ(ZOR_SetActiveScanIndex(0), 0);
    ASSERT_EQ(ZOR_ApplyScanConfig(image.data(), 124), 0);
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    EXPECT_EQ(Interpret(FetchFile(ZOR_FILE_SCAN_DATA))->length, 120);
    EXPECT_EQ(Scan(0)->length, 228);

    // Factory multi-section configuration: two images back to back.
    ASSERT_EQ(ZOR_GetScanCfg(2, back.data(), &length), 0);
    EXPECT_EQ(length, static_cast<uint32_t>(VELSPEC_IMG_SIZE_SLEW_CFG));
    // A slot beyond the end and an undecodable image are refused.
    EXPECT_EQ(ZOR_SaveScanCfgInDevice(9, image.data(), VELSPEC_IMG_SIZE_SCAN_CFG), -3);
    Bytes junk(VELSPEC_IMG_SIZE_SCAN_CFG, 0x77);
    EXPECT_EQ(ZOR_SaveScanCfgInDevice(1, junk.data(), static_cast<uint32_t>(junk.size())), -3);

    ASSERT_EQ(ZOR_EraseAllScanCfg(), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 0);
    EXPECT_EQ(ZOR_GetScanCfg(0, back.data(), &length), -3);
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), -3);
    EXPECT_EQ(ZOR_PerformScan(0), -3);
}

TEST_F(VirtualDeviceTest, FilesTravelWholeInBothDirections) {
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    const std::pair<uint32_t, size_t> files[] = {{ZOR_FILE_SCAN_DATA, VELSPEC_IMG_SIZE_SCAN_DATA},
                                                 {ZOR_FILE_REFCAL_DATA, VELSPEC_IMG_SIZE_SCAN_DATA},
                                                 {ZOR_FILE_MATRIX_DATA, VELSPEC_IMG_SIZE_REF_MATRIX}};
    for (const auto &[type, size] : files) {
        Bytes file = FetchFile(type);
        EXPECT_EQ(file.size(), size) << type;
        EXPECT_EQ(file, virt::FileImage(type)) << type;
    }
    ASSERT_EQ(ZOR_SetActiveScanIndex(2), 0);
    ASSERT_EQ(ZOR_PerformScan(0), 0);
    EXPECT_EQ(FetchFile(ZOR_FILE_SCAN_DATA).size(), static_cast<size_t>(VELSPEC_IMG_SIZE_SLEW_SCAN_DATA));
    EXPECT_EQ(ZOR_GetFileSizeToRead(1), -3);  // not a file type

    Bytes data(1300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(ZOR_SetFileSizeAndAction(static_cast<uint32_t>(data.size()), 9), 0);
    for (size_t sent = 0; sent < data.size();) {
        int32_t n = ZOR_WriteFileData(data.data() + sent, static_cast<uint32_t>(data.size() - sent));
        ASSERT_GT(n, 0);
        sent += static_cast<size_t>(n);
    }
    EXPECT_EQ(virt::LastUpload(), data);
    EXPECT_EQ(virt::LastUploadAction(), 9u);
    EXPECT_EQ(ZOR_WriteFileData(data.data(), 10), -3);  // more than was declared

    virt::Reset();  // before any scan the last-scan file is empty
    EXPECT_EQ(ZOR_GetFileSizeToRead(ZOR_FILE_SCAN_DATA), 0);
}

TEST_F(VirtualDeviceTest, CalibrationIsStoredAndCarriedInScanHeaders) {
    calibCoeffSet c{};
    ASSERT_EQ(ZOR_GetCalibStruct(&c), 0);
    EXPECT_EQ(std::memcmp(&c, &Scan(0)->calibration_coeffs, sizeof c), 0);
    c.pixel_to_wavelength_coeffs[0] = 856.0;
    ASSERT_EQ(ZOR_SendCalibStruct(&c), 0);
    calibCoeffSet back{};
    ASSERT_EQ(ZOR_GetCalibStruct(&back), 0);
    EXPECT_EQ(std::memcmp(&c, &back, sizeof c), 0);
    EXPECT_EQ(std::memcmp(&c, &Scan(0)->calibration_coeffs, sizeof c), 0);
}

TEST_F(VirtualDeviceTest, EstimatedScanTimeFollowsPatternsAveragingAndScale) {
    // 120 ms start-up, then 228 column patterns and 9 black readings of 635 us
    // exposure and 180 us settling each.
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), 313);
    ASSERT_EQ(ZOR_SetScanNumRepeats(4), 0);
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), 892);
    ASSERT_EQ(ZOR_SetActiveScanIndex(1), 0);
    EXPECT_GT(ZOR_GetEstimatedScanTime(), 892);  // 237 Hadamard patterns and their blacks
    virt::SetScanTimeScale(0.0);
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), 0);
}
