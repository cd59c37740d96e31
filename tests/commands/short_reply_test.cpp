// Every read command against a reply exactly as long as what it decodes and
// one byte shorter: the first decodes from the reply alone, the second is
// refused with its out-parameters untouched, and the link stays usable.
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "catalogue.h"
#include "command_fixture.h"

using velscan_test::Bytes;

namespace {

constexpr uint8_t kMarker = 0xA5;    // out-parameters before the call
constexpr uint8_t kLeftover = 0xEE;  // report bytes past the reply's length

// Out-parameters point into one marked block.
struct Out {
    alignas(8) uint8_t bytes[ZOR_FILE_PIECE_MAX + 8];
    template <typename T = uint32_t>
    T *at(size_t index = 0) {
        return reinterpret_cast<T *>(bytes) + index;
    }
};

struct ReadCase {
    std::string_view name;
    size_t decodes;  // payload bytes the command needs
    std::function<int32_t(Out &)> call;
    int32_t refused = ZOR_ERR_REJECTED;  // the result of a reply one byte short
    Bytes (*payload)() = nullptr;        // the exact reply; zeros when null
};

// clang-format off
#define ONE_BYTE(call) {#call, 1, [](Out &) { return call(); }}
#define TEXT(call) {#call, 1, [](Out &o) { return call(o.at<char>()); }}
#define READ(name, decodes, args, ...) \
    {#name, decodes, []([[maybe_unused]] Out &o) { return name args; } __VA_OPT__(,) __VA_ARGS__}
const ReadCase kReads[] = {
    ONE_BYTE(ZOR_TestEEPROM), ONE_BYTE(ZOR_TestADC), ONE_BYTE(ZOR_TestSDRAM), ONE_BYTE(ZOR_TestTMP),
    ONE_BYTE(ZOR_TestHDC), ONE_BYTE(ZOR_GetScanComplete), ONE_BYTE(ZOR_GetNumScanCfg),
    ONE_BYTE(ZOR_GetActiveScanIndex), ONE_BYTE(ZOR_GetPGAGain), ONE_BYTE(ZOR_GetHibernate),
    READ(ZOR_GetEstimatedScanTime, 4, ()), TEXT(ZOR_GetSerialNumber), TEXT(ZOR_ReadBleDispName),
    TEXT(ZOR_GetManufacturingSerNum), TEXT(ZOR_ReadModelName),
    READ(ZOR_GetFlashChecksum, 4, (o.at())), READ(ZOR_GetFileSizeToRead, 4, (ZOR_FILE_SCAN_DATA)),
    READ(ZOR_GetFileData, 1, (o.bytes + 8, o.at())), READ(ZOR_ButtonTestRd, 1, (o.bytes)),
    READ(ZOR_TestBQ, 20, (o.at(0), o.at(1), o.at(2), o.at(3), o.at(4))),
    READ(ZOR_GetVersion, 28, (o.at(0), o.at(1), o.at(2), o.at(3), o.at(4), o.at(5), o.at(6))),
    READ(ZOR_GetVELCReg, 4, (5, o.at())), READ(ZOR_GetScanCfg, 4, (0, o.bytes + 8, o.at())),
    READ(ZOR_GetCalibStruct, 0, (o.at<calibCoeffSet>()), ZOR_ERR_REJECTED, CalibImage),
    READ(ZOR_GetSNRData, 12, (o.at(0), o.at(1), o.at(2)), -1),
    READ(ZOR_ReadLampUsage, 8, (o.at<uint64_t>())), READ(ZOR_ReadHum, 8, (o.at(0), o.at(1))),
    READ(ZOR_ReadBattVolt, 12, (o.at(0), o.at(1), o.at(2))), READ(ZOR_ReadMivoTemp, 4, (o.at())),
    READ(ZOR_GetDateTime, 7,
         (o.bytes, o.bytes + 1, o.bytes + 2, o.bytes + 3, o.bytes + 4, o.bytes + 5, o.bytes + 6)),
    READ(ZOR_ReadHWVersion, 16, (o.at<char>(), o.at(2), o.at(3))), READ(ZOR_GetFlashUniqueID, 8, (o.bytes)),
    READ(ZOR_GetPhotoDetector, 12, (o.at(0), o.at(1), o.at(2)), -1),
    READ(ZOR_ReadDeviceStatus, 4, (o.at())), READ(ZOR_ReadErrorStatus, 20, (o.bytes)),
    READ(ZOR_GetSpecificErrorStatus, 1, (3)), READ(ZOR_GetSpecificErrorcode, 2, (3)),
};
#undef ONE_BYTE
#undef TEXT
#undef READ
// clang-format on

TEST_F(Commands, EveryReadsExactReplyDecodesAndAShorterOneIsRefused) {
    std::set<std::string_view> covered;
    for (const ReadCase &c : kReads) EXPECT_TRUE(covered.insert(c.name).second) << c.name;
    for (const zor::CommandInfo &info : zor::kCatalogue)
        EXPECT_EQ(covered.count(info.name), info.kind == zor::Kind::Read || info.kind == zor::Kind::ReadParam)
            << info.name;
    // A reply whose reports carry kLeftover past its length field, where a
    // decoder that reads too far would find it.
    const auto queue_padded = [this](const Bytes &payload) {
        const Bytes frame = velscan_test::ReplyFrame(payload);
        std::vector<Bytes> reports = velscan_test::SplitIntoReports(frame);
        std::fill(reports.back().end() - static_cast<long>(reports.size() * 64 - frame.size()),
                  reports.back().end(), kLeftover);
        for (const Bytes &report : reports) hid.QueueReport(report);
    };
    for (const ReadCase &c : kReads) {
        SCOPED_TRACE(std::string(c.name));
        Bytes exact = c.payload ? c.payload() : Bytes(std::max<size_t>(c.decodes, 1), 0);

        Out out;
        std::memset(out.bytes, kMarker, sizeof out.bytes);
        queue_padded(exact);
        EXPECT_GE(c.call(out), 0);
        EXPECT_EQ(std::count(out.bytes, out.bytes + sizeof out.bytes, kLeftover), 0)
            << "decoded past the reply";

        std::memset(out.bytes, kMarker, sizeof out.bytes);
        exact.pop_back();
        queue_padded(exact);
        EXPECT_EQ(c.call(out), c.refused);
        EXPECT_EQ(std::count(out.bytes, out.bytes + sizeof out.bytes, kMarker),
                  static_cast<long>(sizeof out.bytes))
            << "out-parameters written";

        hid.QueueReply({3});
        EXPECT_EQ(ZOR_GetNumScanCfg(), 3) << "the next command";
        EXPECT_EQ(hid.ScriptedEventsLeft(), 0u);
    }
}

}  // namespace
