#include "command_table.h"

namespace virt {

const std::vector<CommandSpec> &CommandTable() {
    using F = Firmware;
    static const std::vector<CommandSpec> table = {
        // File transfer and boot loader.
        {0x0015, "GetFlashChecksum", Kind::Read, 1, false, &F::GetFlashChecksum},
        {0x0025, "WriteFileData", Kind::Write, kUploadPieceMax, true, &F::WriteFileData},
        {0x002a, "SetFileSizeAndAction", Kind::Write, 6, false, &F::SetFileSizeAndAction},
        {0x002d, "GetFileSizeToRead", Kind::ReadParam, 4, false, &F::GetFileSizeToRead},
        {0x002e, "GetFileData", Kind::Read, 0, false, &F::GetFileData},
        {0x002f, "GotoMivoBootLoader", Kind::WriteNoAck, 0, false, &F::GotoBootLoader},
        // Hardware self-tests and switches.
        {0x0101, "TestEEPROM", Kind::Read, 0, false, &F::SelfTestPass},
        {0x0102, "TestADC", Kind::Read, 0, false, &F::SelfTestPass},
        {0x0103, "TestBQ", Kind::Read, 0, false, &F::TestBQ},
        {0x0104, "TestSDRAM", Kind::Read, 0, false, &F::SelfTestPass},
        {0x0105, "VELCEnable", Kind::Write, 2, false, &F::VELCEnable},
        {0x0106, "TestTMP", Kind::Read, 0, false, &F::SelfTestPass},
        {0x0107, "TestHDC", Kind::Read, 0, false, &F::SelfTestPass},
        {0x0108, "TestBT", Kind::Write, 1, false, &F::TestBT},
        {0x010b, "TestLED", Kind::Write, 1, false, &F::TestLED},
        {0x010c, "ButtonTestRd", Kind::Read, 0, false, &F::ButtonTestRd},
        {0x010d, "ButtonTestWr", Kind::Write, 1, false, &F::ButtonTestWr},
        {0x010e, "EEPROM_CalTest", Kind::Write, 0, false, &F::PlainAck},
        // Scanning, configuration, calibration and identity.
        {0x0216, "GetVersion", Kind::Read, 0, false, &F::GetVersion},
        {0x0218, "PerformScan", Kind::Write, 1, false, &F::PerformScan},
        {0x0219, "GetScanComplete", Kind::Read, 0, false, &F::GetScanComplete},
        {0x021a, "ResetMivo", Kind::WriteNoAck, 0, false, &F::ResetController},
        {0x021b, "SetPGAGain", Kind::Write, 1, false, &F::SetPGAGain},
        {0x021c, "SetVELCReg", Kind::Write, 8, false, &F::SetVELCReg},
        {0x021d, "GetVELCReg", Kind::ReadParam, 4, false, &F::GetVELCReg},
        {0x021e, "ApplyScanConfig", Kind::Write, 124, false, &F::ApplyScanConfig},
        {0x021f, "SaveScanCfgInDevice", Kind::Write, 126, false, &F::SaveScanCfg},
        {0x0220, "GetScanCfg", Kind::ReadParam, 4, false, &F::GetScanCfg},
        {0x0221, "EraseAllScanCfg", Kind::Write, 1, false, &F::EraseAllScanCfg},
        {0x0222, "GetNumScanCfg", Kind::Read, 0, false, &F::GetNumScanCfg},
        {0x0223, "GetActiveScanIndex", Kind::Read, 0, false, &F::GetActiveScanIndex},
        {0x0224, "SetActiveScanIndex", Kind::Write, 1, false, &F::SetActiveScanIndex},
        {0x0225, "SetScanControlsVELCOnOff", Kind::Write, 1, false, &F::SetScanControlsVELCOnOff},
        {0x0226, "setScanSubImage", Kind::Write, 4, false, &F::SetScanSubImage},
        {0x0227, "SendEEPROMWipe", Kind::Write, 7, false, &F::SendEEPROMWipe},
        {0x0228, "GetPGAGain", Kind::Read, 0, false, &F::GetPGAGain},
        {0x0229, "SendCalibStruct", Kind::Write, 144, false, &F::SendCalibStruct},
        {0x022a, "GetCalibStruct", Kind::Read, 0, false, &F::GetCalibStruct},
        {0x022b, "StartSNRScan", Kind::Write, 0, false, &F::StartSNRScan},
        {0x022c, "GetSNRData", Kind::Read, 0, false, &F::GetSNRData},
        {0x022d, "GenCalibPatterns", Kind::Write, 1, false, &F::GenCalibPatterns},
        {0x022e, "SetScanNumRepeats", Kind::Write, 2, false, &F::SetScanNumRepeats},
        {0x022f, "StartHadSNRScan", Kind::Write, 0, false, &F::StartHadSNRScan},
        {0x0230, "SaveRefCalPerformed", Kind::Write, 1, false, &F::SaveRefCalPerformed},
        {0x0232, "SetSerialNumber", Kind::Write, 8, false, &F::SetSerialNumber},
        {0x0233, "GetSerialNumber", Kind::Read, 0, false, &F::GetSerialNumber},
        {0x0234, "SetScanNameTag", Kind::Write, 14, false, &F::SetScanNameTag},
        {0x0236, "EEPROMMass_Erase", Kind::Write, 0, false, &F::EEPROMMassErase},
        {0x0237, "GetEstimatedScanTime", Kind::Read, 0, false, &F::GetEstimatedScanTime},
        {0x0239, "InterpretScan", Kind::Write, 0, false, &F::InterpretScan},
        {0x0244, "WriteBleDispName", Kind::Write, 24, false, &F::WriteBleDispName},
        {0x0245, "ReadBleDispName", Kind::Read, 0, false, &F::ReadBleDispName},
        {0x0280, "ReadLampUsage", Kind::Read, 0, false, &F::ReadLampUsage},
        // Clock, power, environment and identity.
        {0x0302, "ReadHum", Kind::Read, 0, false, &F::ReadHum},
        {0x0309, "SetDateTime", Kind::Write, 7, false, &F::SetDateTime},
        {0x030a, "ReadBattVolt", Kind::Read, 0, false, &F::ReadBattVolt},
        {0x030b, "ReadMivoTemp", Kind::Read, 0, false, &F::ReadControllerTemp},
        {0x030c, "GetDateTime", Kind::Read, 0, false, &F::GetDateTime},
        {0x030d, "HibernateMode", Kind::WriteNoAck, 0, false, &F::HibernateMode},
        {0x030e, "SetHibernate", Kind::Write, 1, false, &F::SetHibernate},
        {0x030f, "GetHibernate", Kind::Read, 0, false, &F::GetHibernate},
        {0x03ef, "GetManufacturingSerNum", Kind::Read, 0, false, &F::GetManufacturingSerNum},
        {0x03fc, "SaveModelName", Kind::Write, 16, false, &F::SaveModelName},
        {0x03fd, "ReadModelName", Kind::Read, 0, false, &F::ReadModelName},
        {0x03fe, "ReadHWVersion", Kind::Read, 0, false, &F::ReadHWVersion},
        {0x03ff, "GetFlashUniqueID", Kind::Read, 0, false, &F::GetFlashUniqueID},
        // Status, errors and maintenance.
        {0x0402, "GetPhotoDetector", Kind::Read, 0, false, &F::GetPhotoDetector},
        {0x0403, "ReadDeviceStatus", Kind::Read, 0, false, &F::ReadDeviceStatus},
        {0x0404, "ReadErrorStatus", Kind::Read, 0, false, &F::ReadErrorStatus},
        {0x0405, "ResetErrorStatus", Kind::Write, 0, false, &F::ResetErrorStatus},
        {0x0406, "GetSpecificErrorStatus", Kind::ReadParam, 4, false, &F::GetSpecificErrorStatus},
        {0x0407, "GetSpecificErrorcode", Kind::ReadParam, 4, false, &F::GetSpecificErrorcode},
        {0x0408, "ClearSpecificError", Kind::Write, 4, false, &F::ClearSpecificError},
        {0x040a, "UpdateRefCalDataWithWORefl", Kind::Write, 0, false, &F::UpdateRefCalWithWORefl},
        {0x040b, "EraseVelcorFlash", Kind::Write, 0, false, &F::PlainAck},
        {0x040c, "SetFixedPGAGain", Kind::Write, 2, false, &F::SetFixedPGAGain},
    };
    return table;
}

const CommandSpec *FindCommand(uint16_t code) {
    for (const CommandSpec &row : CommandTable())
        if (row.code == code) return &row;
    return nullptr;
}

}  // namespace virt
