// The instrument's firmware: takes one complete command frame, acts on the
// device state and says what to send back.
#ifndef VELSCAN_EMULATOR_FIRMWARE_H
#define VELSCAN_EMULATOR_FIRMWARE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device_state.h"
#include "physics.h"
#include "scan_plan.h"
#include "virtual_control.h"

namespace virt {

// Reply status bits for rejected commands.
inline constexpr uint8_t kRejectUnknownCommand = 1;  // no such command code (or the boot loader is running)
inline constexpr uint8_t kRejectBadArgument = 2;     // bad slot, index, type, value or state
inline constexpr uint8_t kRejectBadLength = 3;       // frame length does not fit the command

// Device file types.
inline constexpr uint32_t kFileScanData = 0;
inline constexpr uint32_t kFileRefCal = 2;
inline constexpr uint32_t kFileMatrix = 3;

// Largest file piece over USB, and the file bytes of a piece when the link
// adds its two trailing bytes.
inline constexpr size_t kPieceMax = 576;
inline constexpr size_t kSerialPieceData = kPieceMax - 2;
inline constexpr size_t kUploadPieceMax = 504;

struct Reply {
    bool send = true;    // false: the command gets no reply at all
    uint8_t status = 0;  // status bits 5-4 of the reply's flags
    std::vector<uint8_t> payload;

    static Reply None() { return Reply{false, 0, {}}; }
    static Reply Ack() { return Reply{true, 0, {}}; }
    static Reply AckValue(uint32_t value);
    static Reply Data(std::vector<uint8_t> payload) { return Reply{true, 0, std::move(payload)}; }
    static Reply Reject(uint8_t status) { return Reply{true, status, {}}; }
};

struct Request {
    uint16_t code = 0;
    const uint8_t *data = nullptr;  // command data after the code
    size_t length = 0;              // bytes of data
};

class Firmware {
public:
    // An instrument with the default serial number, or with `serial` (8 characters).
    Firmware();
    explicit Firmware(std::string serial);

    // Factory state: stored configurations, identity, calibration, reference
    // scan and matrix, sensors, switches; the noise generator is reseeded.
    void FactoryReset();

    // A complete command frame (header, code, data).
    Reply Handle(const std::vector<uint8_t> &frame);
    // A frame whose length field no command can have.
    Reply HandleMalformed() { return Reply::Reject(kRejectBadLength); }

    // Restarts the detector noise from a seed.
    void ReseedNoise(uint64_t seed) {
        noise_seed = seed;
        noise_.Seed(seed);
    }

    // The bytes a file type would deliver now (empty for unknown types).
    std::vector<uint8_t> FileImage(uint32_t type) const;

    // Settings of the test control interface.
    Sample sample = Sample::WhiteReference;
    double time_scale = 1.0;
    uint32_t scan_complete_polls = 0;  // scan-complete queries a scan takes to finish
    bool noise_enabled = true;
    uint64_t noise_seed = kDefaultNoiseSeed;
    bool serial_link_pieces = false;  // pieces carry two trailing link bytes

    // The USB serial number this instrument is built with; the factory state
    // stores it and names the Bluetooth device after it.
    std::string identity_serial;

    StoredState stored;
    VolatileState vol;
    uint32_t download_type = 0;
    std::vector<uint8_t> last_upload;
    uint32_t last_upload_action = 0;

    // Command handlers (bound in the command table).
    Reply GetFlashChecksum(const Request &);
    Reply WriteFileData(const Request &);
    Reply SetFileSizeAndAction(const Request &);
    Reply GetFileSizeToRead(const Request &);
    Reply GetFileData(const Request &);
    Reply GotoBootLoader(const Request &);
    Reply SelfTestPass(const Request &);
    Reply TestBQ(const Request &);
    Reply VELCEnable(const Request &);
    Reply TestBT(const Request &);
    Reply TestLED(const Request &);
    Reply ButtonTestRd(const Request &);
    Reply ButtonTestWr(const Request &);
    Reply PlainAck(const Request &);
    Reply GetVersion(const Request &);
    Reply PerformScan(const Request &);
    Reply GetScanComplete(const Request &);
    Reply ResetController(const Request &);
    Reply SetPGAGain(const Request &);
    Reply SetVELCReg(const Request &);
    Reply GetVELCReg(const Request &);
    Reply ApplyScanConfig(const Request &);
    Reply SaveScanCfg(const Request &);
    Reply GetScanCfg(const Request &);
    Reply EraseAllScanCfg(const Request &);
    Reply GetNumScanCfg(const Request &);
    Reply GetActiveScanIndex(const Request &);
    Reply SetActiveScanIndex(const Request &);
    Reply SetScanControlsVELCOnOff(const Request &);
    Reply SetScanSubImage(const Request &);
    Reply SendEEPROMWipe(const Request &);
    Reply GetPGAGain(const Request &);
    Reply SendCalibStruct(const Request &);
    Reply GetCalibStruct(const Request &);
    Reply StartSNRScan(const Request &);
    Reply GetSNRData(const Request &);
    Reply GenCalibPatterns(const Request &);
    Reply SetScanNumRepeats(const Request &);
    Reply StartHadSNRScan(const Request &);
    Reply SaveRefCalPerformed(const Request &);
    Reply SetSerialNumber(const Request &);
    Reply GetSerialNumber(const Request &);
    Reply SetScanNameTag(const Request &);
    Reply EEPROMMassErase(const Request &);
    Reply GetEstimatedScanTime(const Request &);
    Reply InterpretScan(const Request &);
    Reply WriteBleDispName(const Request &);
    Reply ReadBleDispName(const Request &);
    Reply ReadLampUsage(const Request &);
    Reply ReadHum(const Request &);
    Reply SetDateTime(const Request &);
    Reply ReadBattVolt(const Request &);
    Reply ReadControllerTemp(const Request &);
    Reply GetDateTime(const Request &);
    Reply HibernateMode(const Request &);
    Reply SetHibernate(const Request &);
    Reply GetHibernate(const Request &);
    Reply GetManufacturingSerNum(const Request &);
    Reply SaveModelName(const Request &);
    Reply ReadModelName(const Request &);
    Reply ReadHWVersion(const Request &);
    Reply GetFlashUniqueID(const Request &);
    Reply GetPhotoDetector(const Request &);
    Reply ReadDeviceStatus(const Request &);
    Reply ReadErrorStatus(const Request &);
    Reply ResetErrorStatus(const Request &);
    Reply GetSpecificErrorStatus(const Request &);
    Reply GetSpecificErrorcode(const Request &);
    Reply ClearSpecificError(const Request &);
    Reply UpdateRefCalWithWORefl(const Request &);
    Reply SetFixedPGAGain(const Request &);

private:
    // The configuration the next scan uses: the applied one, else the active slot.
    std::optional<DecodedConfig> CurrentConfig() const;
    bool LampLitDuringScan() const { return vol.scan_controls_lamp || vol.velc_enabled; }
    // Runs a scan of the current configuration; false when it cannot be scanned.
    bool TakeScan();
    uint32_t StatusWord() const;
    void RestartController();  // volatile state back to power-on values

    Physics physics_;
    NoiseSource noise_;
};

}  // namespace virt

#endif
