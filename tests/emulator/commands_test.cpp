// Every device command through the real command, framing and transport
// layers against the virtual spectrometer: answered, decoded, and the state
// it changes kept until reset.
#include <cstring>
#include <functional>

#include "catalogue.h"
#include "velspec_helper.h"
#include "velspec_scan.h"
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

TEST_F(VirtualDeviceTest, EveryCommandIsAnsweredAndDecodes) {
    uint32_t u[7] = {};
    uint8_t b[8] = {};
    char text[32] = {};
    uint64_t usage = 0;
    calibCoeffSet coeffs{};
    Bytes cfg_image(ZOR_SCAN_CFG_IMAGE_MAX);
    Bytes file_piece(ZOR_FILE_PIECE_MAX);
    Bytes narrow = NarrowColumnImage();
    Bytes apply(124, 0);
    std::memcpy(apply.data(), narrow.data(), narrow.size());
    uint8_t status[20];
    const uint8_t upload[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    auto ok = [](bool good) { return good ? 0 : -9; };

    const std::pair<const char *, std::function<int32_t()>> cases[] = {
        {"GetFlashChecksum", [&] { return ZOR_GetFlashChecksum(&u[0]); }},
        {"SetFileSizeAndAction", [&] { return ZOR_SetFileSizeAndAction(10, 7); }},
        {"WriteFileData", [&] { return ok(ZOR_WriteFileData(upload, 10) == 10); }},
        {"GetFileSizeToRead", [&] { return ok(ZOR_GetFileSizeToRead(ZOR_FILE_MATRIX_DATA) > 0); }},
        {"GetFileData", [&] { return ok(ZOR_GetFileData(file_piece.data(), &u[0]) > 0); }},
        {"TestEEPROM", [&] { return ZOR_TestEEPROM(); }},
        {"TestADC", [&] { return ZOR_TestADC(); }},
        {"TestBQ", [&] { return ZOR_TestBQ(&u[0], &u[1], &u[2], &u[3], &u[4]); }},
        {"TestSDRAM", [&] { return ZOR_TestSDRAM(); }},
        {"VELCEnable", [&] { return ZOR_VELCEnable(1, 1); }},
        {"TestTMP", [&] { return ZOR_TestTMP(); }},
        {"TestHDC", [&] { return ZOR_TestHDC(); }},
        {"TestBT", [&] { return ZOR_TestBT(1); }},
        {"TestLED", [&] { return ZOR_TestLED(3); }},
        {"ButtonTestRd", [&] { return ZOR_ButtonTestRd(&b[0]); }},
        {"ButtonTestWr", [&] { return ZOR_ButtonTestWr(1); }},
        {"EEPROM_CalTest", [&] { return ZOR_EEPROM_CalTest(); }},
        {"GetVersion", [&] { return ZOR_GetVersion(&u[0], &u[1], &u[2], &u[3], &u[4], &u[5], &u[6]); }},
        {"PerformScan", [&] { return ZOR_PerformScan(0); }},
        {"GetScanComplete", [&] { return ok(ZOR_GetScanComplete() == 1); }},
        {"SetPGAGain", [&] { return ZOR_SetPGAGain(8); }},
        {"SetVELCReg", [&] { return ZOR_SetVELCReg(0x40, 0xABCD); }},
        {"GetVELCReg", [&] { return ZOR_GetVELCReg(0x40, &u[0]); }},
        {"ApplyScanConfig", [&] { return ZOR_ApplyScanConfig(apply.data(), 124); }},
        {"SaveScanCfgInDevice",
         [&] { return ZOR_SaveScanCfgInDevice(3, narrow.data(), static_cast<uint32_t>(narrow.size())); }},
        {"GetScanCfg", [&] { return ZOR_GetScanCfg(3, cfg_image.data(), &u[0]); }},
        {"GetNumScanCfg", [&] { return ok(ZOR_GetNumScanCfg() == 4); }},
        {"GetActiveScanIndex", [&] { return ZOR_GetActiveScanIndex(); }},
        {"SetActiveScanIndex", [&] { return ZOR_SetActiveScanIndex(1); }},
        {"SetScanControlsVELCOnOff", [&] { return ZOR_SetScanControlsVELCOnOff(1); }},
        {"setScanSubImage", [&] { return ZOR_setScanSubImage(0, 480); }},
        {"GetPGAGain", [&] { return ok(ZOR_GetPGAGain() == 8); }},
        {"SendCalibStruct",
         [&] { return ZOR_GetCalibStruct(&coeffs) == 0 ? ZOR_SendCalibStruct(&coeffs) : -9; }},
        {"GetCalibStruct", [&] { return ZOR_GetCalibStruct(&coeffs); }},
        {"StartSNRScan", [&] { return ZOR_StartSNRScan(); }},
        {"GetSNRData", [&] { return ok(ZOR_GetSNRData(&u[0], &u[1], &u[2]) == 0 && u[0] > 100); }},
        {"GenCalibPatterns", [&] { return ZOR_GenCalibPatterns(2); }},
        {"SetScanNumRepeats", [&] { return ZOR_SetScanNumRepeats(3); }},
        {"StartHadSNRScan", [&] { return ZOR_StartHadSNRScan(); }},
        {"SaveRefCalPerformed",
         [&] {
             return ZOR_SetActiveScanIndex(0) == 0 && ZOR_PerformScan(0) == 0 ? ZOR_SaveRefCalPerformed()
                                                                              : -9;
         }},
        {"SetSerialNumber", [&] { return ZOR_SetSerialNumber(VIRT_SERIAL_NUMBER); }},
        {"GetSerialNumber", [&] { return ZOR_GetSerialNumber(text); }},
        {"SetScanNameTag", [&] { return ZOR_SetScanNameTag("leaf", 4); }},
        {"GetEstimatedScanTime", [&] { return ok(ZOR_GetEstimatedScanTime() > 0); }},
        {"InterpretScan", [&] { return ZOR_InterpretScan(); }},
        {"WriteBleDispName", [&] { return ZOR_WriteBleDispName("VelScan bench unit 07...."); }},
        {"ReadBleDispName", [&] { return ZOR_ReadBleDispName(text); }},
        {"ReadLampUsage", [&] { return ZOR_ReadLampUsage(&usage); }},
        {"ReadHum", [&] { return ZOR_ReadHum(&u[0], &u[1]); }},
        {"SetDateTime", [&] { return ZOR_SetDateTime(26, 12, 24, 4, 18, 0, 5); }},
        {"ReadBattVolt", [&] { return ZOR_ReadBattVolt(&u[0], &u[1], &u[2]); }},
        {"ReadMivoTemp", [&] { return ZOR_ReadMivoTemp(&u[0]); }},
        {"GetDateTime", [&] { return ZOR_GetDateTime(&b[0], &b[1], &b[2], &b[3], &b[4], &b[5], &b[6]); }},
        {"SetHibernate", [&] { return ZOR_SetHibernate(1); }},
        {"GetHibernate", [&] { return ok(ZOR_GetHibernate() == 1); }},
        {"GetManufacturingSerNum", [&] { return ZOR_GetManufacturingSerNum(text); }},
        {"SaveModelName", [&] { return ZOR_SaveModelName("VelScan NIR-1\0\0\0"); }},
        {"ReadModelName", [&] { return ZOR_ReadModelName(text); }},
        {"ReadHWVersion", [&] { return ZOR_ReadHWVersion(text, &u[0], &u[1]); }},
        {"GetFlashUniqueID", [&] { return ZOR_GetFlashUniqueID(b); }},
        {"GetPhotoDetector", [&] { return ZOR_GetPhotoDetector(&u[0], &u[1], &u[2]); }},
        {"ReadDeviceStatus", [&] { return ZOR_ReadDeviceStatus(&u[0]); }},
        {"ReadErrorStatus", [&] { return ZOR_ReadErrorStatus(status); }},
        {"ResetErrorStatus", [&] { return ZOR_ResetErrorStatus(); }},
        {"GetSpecificErrorStatus", [&] { return ZOR_GetSpecificErrorStatus(3); }},
        {"GetSpecificErrorcode", [&] { return ZOR_GetSpecificErrorcode(3); }},
        {"ClearSpecificError", [&] { return ZOR_ClearSpecificError(3); }},
        {"UpdateRefCalDataWithWORefl", [&] { return ZOR_UpdateRefCalDataWithWORefl(); }},
        {"EraseVelcorFlash", [&] { return ZOR_EraseVelcorFlash(); }},
        {"SetFixedPGAGain", [&] { return ZOR_SetFixedPGAGain(1, 16); }},
        {"SendEEPROMWipe", [&] { return ZOR_SendEEPROMWipe(0, 0, 0); }},
        {"EEPROMMass_Erase", [&] { return ZOR_EEPROMMass_Erase(); }},
        {"EraseAllScanCfg", [&] { return ZOR_EraseAllScanCfg(); }},
        {"HibernateMode", [&] { return ZOR_HibernateMode(); }},
        {"ResetMivo", [&] { return ZOR_ResetMivo(); }},
        {"GotoMivoBootLoader", [&] { return ok(ZOR_GotoMivoBootLoader() > 0); }},
    };
    EXPECT_EQ(std::size(cases), std::size(zor::kCatalogue));
    for (const auto &[name, call] : cases) EXPECT_EQ(call(), 0) << name;
    // The boot loader answers nothing but a restart (status 1 otherwise).
    EXPECT_EQ(ZOR_GetNumScanCfg(), -4);
    ASSERT_EQ(ZOR_ResetMivo(), 0);
    EXPECT_EQ(ZOR_GetNumScanCfg(), 0);  // answered again; the erased slots stay erased
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
    // 228 column patterns and 9 black readings of 635 us exposure plus
    // settling, and the start-up time.
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), 120 + 237 * (635 + 180) / 1000);
    ASSERT_EQ(ZOR_SetScanNumRepeats(4), 0);
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), 120 + 4 * 237 * (635 + 180) / 1000);
    ASSERT_EQ(ZOR_SetActiveScanIndex(1), 0);
    EXPECT_GT(ZOR_GetEstimatedScanTime(),
              120 + 4 * 237 * (635 + 180) / 1000);  // 237 Hadamard patterns + blacks
    virt::SetScanTimeScale(0.0);
    EXPECT_EQ(ZOR_GetEstimatedScanTime(), 0);
}
