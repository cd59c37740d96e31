// The device command catalogue: every command's name, 16-bit code, length
// byte, kind of exchange and, for reads, how many reply payload bytes the
// wrapper decodes, in one table. The wrappers take their rows from it by name
// (checked at compile time) and the tests walk it.
#ifndef VELSCAN_CATALOGUE_H
#define VELSCAN_CATALOGUE_H

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zor {

enum class Kind {
    Read,        // request without payload, data reply
    ReadParam,   // request carries a 32-bit parameter, data reply
    Write,       // payload sent, acknowledgement read
    WriteNoAck,  // payload sent; the device restarts or sleeps, no reply
};

// How a read command's wrapper decodes the reply payload.
enum class Decode {
    None,    // writes: no reply payload is decoded
    Fixed,   // values at fixed offsets: a reply shorter than `decodes` is refused
    Text,    // a text of up to `decodes` bytes: only the bytes the reply holds are taken
    Stated,  // data whose size the device states, after `decodes` fixed bytes;
             // the wrapper bounds the rest by the reply's length itself
};

struct CommandInfo {
    std::string_view name;
    uint16_t code;
    uint8_t length;  // write: payload bytes; read: nominal reply size
    Kind kind;
    uint16_t decodes = 0;  // read: payload bytes the wrapper decodes (see Decode)
    Decode decode = Decode::None;
};

// clang-format off
inline constexpr CommandInfo kCatalogue[] = {
    {"ZOR_GetFlashChecksum",           0x0015,   1, Kind::Read,        4, Decode::Fixed},
    {"ZOR_WriteFileData",              0x0025,   0, Kind::Write},
    {"ZOR_SetFileSizeAndAction",       0x002a,   6, Kind::Write},
    {"ZOR_GetFileSizeToRead",          0x002d,   1, Kind::ReadParam,   4, Decode::Fixed},
    {"ZOR_GetFileData",                0x002e,   0, Kind::Read,        0, Decode::Stated},
    {"ZOR_GotoMivoBootLoader",         0x002f,   0, Kind::WriteNoAck},
    {"ZOR_TestEEPROM",                 0x0101,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_TestADC",                    0x0102,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_TestBQ",                     0x0103,   0, Kind::Read,       20, Decode::Fixed},
    {"ZOR_TestSDRAM",                  0x0104,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_VELCEnable",                 0x0105,   2, Kind::Write},
    {"ZOR_TestTMP",                    0x0106,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_TestHDC",                    0x0107,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_TestBT",                     0x0108,   1, Kind::Write},
    {"ZOR_TestLED",                    0x010b,   1, Kind::Write},
    {"ZOR_ButtonTestRd",               0x010c,   1, Kind::Read,        1, Decode::Fixed},
    {"ZOR_ButtonTestWr",               0x010d,   1, Kind::Write},
    {"ZOR_EEPROM_CalTest",             0x010e,   0, Kind::Write},
    {"ZOR_GetVersion",                 0x0216,   0, Kind::Read,       28, Decode::Fixed},
    {"ZOR_PerformScan",                0x0218,   1, Kind::Write},
    {"ZOR_GetScanComplete",            0x0219,   1, Kind::Read,        1, Decode::Fixed},
    {"ZOR_ResetMivo",                  0x021a,   0, Kind::WriteNoAck},
    {"ZOR_SetPGAGain",                 0x021b,   1, Kind::Write},
    {"ZOR_SetVELCReg",                 0x021c,   8, Kind::Write},
    {"ZOR_GetVELCReg",                 0x021d,   4, Kind::ReadParam,   4, Decode::Fixed},
    {"ZOR_ApplyScanConfig",            0x021e, 124, Kind::Write},
    {"ZOR_SaveScanCfgInDevice",        0x021f, 126, Kind::Write},
    {"ZOR_GetScanCfg",                 0x0220,   1, Kind::ReadParam,   4, Decode::Stated},
    {"ZOR_EraseAllScanCfg",            0x0221,   1, Kind::Write},
    {"ZOR_GetNumScanCfg",              0x0222,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_GetActiveScanIndex",         0x0223,   0, Kind::Read,        1, Decode::Fixed},
    {"ZOR_SetActiveScanIndex",         0x0224,   1, Kind::Write},
    {"ZOR_SetScanControlsVELCOnOff",   0x0225,   1, Kind::Write},
    {"ZOR_setScanSubImage",            0x0226,   4, Kind::Write},
    {"ZOR_SendEEPROMWipe",             0x0227,   7, Kind::Write},
    {"ZOR_GetPGAGain",                 0x0228,   1, Kind::Read,        1, Decode::Fixed},
    {"ZOR_SendCalibStruct",            0x0229, 144, Kind::Write},
    {"ZOR_GetCalibStruct",             0x022a, 144, Kind::Read,        0, Decode::Stated},
    {"ZOR_StartSNRScan",               0x022b,   0, Kind::Write},
    {"ZOR_GetSNRData",                 0x022c,  12, Kind::Read,       12, Decode::Fixed},
    {"ZOR_GenCalibPatterns",           0x022d,   1, Kind::Write},
    {"ZOR_SetScanNumRepeats",          0x022e,   2, Kind::Write},
    {"ZOR_StartHadSNRScan",            0x022f,   0, Kind::Write},
    {"ZOR_SaveRefCalPerformed",        0x0230,   1, Kind::Write},
    {"ZOR_SetSerialNumber",            0x0232,   8, Kind::Write},
    {"ZOR_GetSerialNumber",            0x0233,   0, Kind::Read,        8, Decode::Text},
    {"ZOR_SetScanNameTag",             0x0234,  14, Kind::Write},
    {"ZOR_EEPROMMass_Erase",           0x0236,   0, Kind::Write},
    {"ZOR_GetEstimatedScanTime",       0x0237,   0, Kind::Read,        4, Decode::Fixed},
    {"ZOR_InterpretScan",              0x0239,   0, Kind::Write},
    {"ZOR_WriteBleDispName",           0x0244,  24, Kind::Write},
    {"ZOR_ReadBleDispName",            0x0245,  24, Kind::Read,       24, Decode::Text},
    {"ZOR_ReadLampUsage",              0x0280,   8, Kind::Read,        8, Decode::Fixed},
    {"ZOR_ReadHum",                    0x0302,   0, Kind::Read,        8, Decode::Fixed},
    {"ZOR_SetDateTime",                0x0309,   7, Kind::Write},
    {"ZOR_ReadBattVolt",               0x030a,   0, Kind::Read,       12, Decode::Fixed},
    {"ZOR_ReadMivoTemp",               0x030b,   0, Kind::Read,        4, Decode::Fixed},
    {"ZOR_GetDateTime",                0x030c,   0, Kind::Read,        7, Decode::Fixed},
    {"ZOR_HibernateMode",              0x030d,   0, Kind::WriteNoAck},
    {"ZOR_SetHibernate",               0x030e,   1, Kind::Write},
    {"ZOR_GetHibernate",               0x030f,   1, Kind::Read,        1, Decode::Fixed},
    {"ZOR_GetManufacturingSerNum",     0x03ef,  20, Kind::Read,       20, Decode::Text},
    {"ZOR_SaveModelName",              0x03fc,  16, Kind::Write},
    {"ZOR_ReadModelName",              0x03fd,  16, Kind::Read,       16, Decode::Text},
    {"ZOR_ReadHWVersion",              0x03fe,  16, Kind::Read,       16, Decode::Fixed},
    {"ZOR_GetFlashUniqueID",           0x03ff,   8, Kind::Read,        8, Decode::Fixed},
    {"ZOR_GetPhotoDetector",           0x0402,   0, Kind::Read,       12, Decode::Fixed},
    {"ZOR_ReadDeviceStatus",           0x0403,   0, Kind::Read,        4, Decode::Fixed},
    {"ZOR_ReadErrorStatus",            0x0404,   0, Kind::Read,       20, Decode::Fixed},
    {"ZOR_ResetErrorStatus",           0x0405,   0, Kind::Write},
    {"ZOR_GetSpecificErrorStatus",     0x0406,   4, Kind::ReadParam,   1, Decode::Fixed},
    {"ZOR_GetSpecificErrorcode",       0x0407,   1, Kind::ReadParam,   2, Decode::Fixed},
    {"ZOR_ClearSpecificError",         0x0408,   4, Kind::Write},
    {"ZOR_UpdateRefCalDataWithWORefl", 0x040a,   0, Kind::Write},
    {"ZOR_EraseVelcorFlash",           0x040b,   0, Kind::Write},
    {"ZOR_SetFixedPGAGain",            0x040c,   2, Kind::Write},
};
// clang-format on

inline constexpr size_t kCatalogueSize = sizeof kCatalogue / sizeof kCatalogue[0];
static_assert(kCatalogueSize == 76);

constexpr uint32_t IdentifierOf(const CommandInfo &command) {
    return static_cast<uint32_t>(command.code) << 8 | command.length;
}

// The row named; evaluated at compile time only, through Command() and
// Decoding(), where a name not in the table stops the compilation.
constexpr const CommandInfo &RowNamed(std::string_view name) {
    for (const CommandInfo &row : kCatalogue)
        if (row.name == name) return row;
    throw "command not in the catalogue";
}

// The catalogue row of a command; a name that is not in the table does not
// compile.
consteval const CommandInfo &Command(std::string_view name) { return RowNamed(name); }

consteval uint32_t Identifier(std::string_view name) { return IdentifierOf(Command(name)); }

// The fewest payload bytes a reply must hold before the wrapper decodes it.
// A text may be shorter than its field; the framing refuses an empty reply.
constexpr uint16_t ShortestReply(const CommandInfo &command) {
    return command.decode == Decode::Text ? 1 : command.decodes;
}

// A span of reply payload a wrapper decodes: offset and width in bytes.
struct ReplyField {
    size_t offset;
    size_t width;
};

// The catalogue row of a read command whose wrapper decodes `fields`. It
// does not compile unless the row's decoded size is exactly where the last
// field ends, so the table and the wrapper's offsets cannot drift apart.
template <typename... Fields>
consteval const CommandInfo &Decoding(std::string_view name, Fields... fields) {
    const CommandInfo &row = RowNamed(name);
    if (row.kind != Kind::Read && row.kind != Kind::ReadParam) throw "not a read command";
    size_t end = 0;
    for (const ReplyField &field : {ReplyField{0, 0}, ReplyField(fields)...})
        end = field.offset + field.width > end ? field.offset + field.width : end;
    if (end != row.decodes) throw "the catalogue's decoded size is not where the wrapper's fields end";
    return row;
}

}  // namespace zor

#endif
