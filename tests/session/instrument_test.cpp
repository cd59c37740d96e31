// The instrument against the virtual spectrometer and the scripted HID
// backend: samples, configurations, slow scans, opening failures, reopening.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "fake_clock.h"
#include "fake_hid.h"
#include "info_format.h"
#include "instrument.h"
#include "virtual_control.h"

namespace {

using namespace velscan;

class VirtualInstrument : public testing::Test {
protected:
    void SetUp() override {
        virt::Reset();
        Open(VirtualSample::White);
    }
    void Open(VirtualSample sample) {
        instrument_.reset();
        OpenRequest request;
        request.use_virtual = true;
        request.sample = sample;
        const Status status = Instrument::Open(request, instrument_);
        ASSERT_TRUE(status.ok()) << status.message;
    }
    Spectrum ScanOk(int config = 0) {
        Spectrum scan;
        const Status status = instrument_->Scan({config, 0, 0, {}}, scan);
        EXPECT_TRUE(status.ok()) << status.message;
        return scan;
    }
    velscan_test::FakeClock clock_;  // waits are recorded, not waited
    std::unique_ptr<Instrument> instrument_;
};

double AbsorbanceNear(const Spectrum &s, double nm) {
    size_t best = 0;
    for (size_t i = 0; i < s.Points(); ++i)
        if (std::fabs(s.wavelength_nm[i] - nm) < std::fabs(s.wavelength_nm[best] - nm)) best = i;
    return s.absorbance[best];
}

TEST_F(VirtualInstrument, EachSampleAgainstTheStoredReference) {
    struct Case {
        VirtualSample sample;
        void (*check)(const Spectrum &);
    };
    const Case cases[] = {
        {VirtualSample::White,
         [](const Spectrum &s) {
             EXPECT_EQ(*s.metadata.Find("masked_points"), "0");
             for (size_t i = 0; i < s.Points(); ++i) {
                 EXPECT_NEAR(s.reflectance[i], 1.0, 0.05) << s.wavelength_nm[i];
                 EXPECT_NEAR(s.absorbance[i], 0.0, 0.03) << s.wavelength_nm[i];
             }
         }},
        {VirtualSample::Organic,
         [](const Spectrum &s) {
             EXPECT_GT(AbsorbanceNear(s, 1450), AbsorbanceNear(s, 1300) + 0.1);
             EXPECT_GT(AbsorbanceNear(s, 1450), AbsorbanceNear(s, 1600) + 0.1);
         }},
        {VirtualSample::Emission, [](const Spectrum &s) { EXPECT_EQ(s.Points(), 228u); }},
        {VirtualSample::Covered,
         [](const Spectrum &s) { EXPECT_GT(std::stoi(*s.metadata.Find("masked_points")), 0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(SampleName(c.sample)));
        Open(c.sample);
        Spectrum scan = ScanOk();
        Spectrum reference;
        const Status status = instrument_->Reference(scan, reference);
        ASSERT_TRUE(status.ok()) << status.message;
        ASSERT_TRUE(ApplyReference(scan, reference, nullptr).ok());
        c.check(scan);
    }
}

TEST_F(VirtualInstrument, EveryStoredConfigurationScansInWavelengthOrder) {
    const struct {
        int slot;
        size_t points;
        const char *type;
    } cases[] = {{0, 228, "column"}, {1, 228, "hadamard"}, {2, 200, "multi"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.slot);
        const Spectrum scan = ScanOk(c.slot);
        ASSERT_EQ(scan.Points(), c.points);
        EXPECT_TRUE(std::is_sorted(scan.wavelength_nm.begin(), scan.wavelength_nm.end()));
        EXPECT_NEAR(scan.wavelength_nm.front(), 900, 5);
        EXPECT_NEAR(scan.wavelength_nm.back(), 1700, 5);
        EXPECT_EQ(*scan.metadata.Find("config_type"), c.type);
        EXPECT_EQ(*scan.metadata.Find("config_slot"), std::to_string(c.slot));
        EXPECT_EQ(scan.raw_image, virt::FileImage(0));
        Spectrum reference;
        EXPECT_TRUE(instrument_->Reference(scan, reference).ok());
    }
}

TEST_F(VirtualInstrument, ScanSlowerThanItsEstimateGivesTheNewScan) {
    ScanOk();
    virt::SetScanTimeScale(0);  // the instrument claims the scan takes no time
    virt::SetScanCompletePolls(7);
    const Spectrum second = ScanOk();
    EXPECT_EQ(*second.metadata.Find("scan_name"), "scan_0002");
    EXPECT_EQ(second.raw_image, virt::FileImage(0));

    virt::SetScanCompletePolls(1000000);  // never finishes within the bounded wait
    Spectrum never;
    EXPECT_EQ(instrument_->Scan({}, never).code, kErrScanTimeout);
    virt::SetScanCompletePolls(0);
    virt::SetScanTimeScale(1e6);  // hours
    EXPECT_EQ(instrument_->Scan({}, never).code, kErrImplausible);
}

TEST_F(VirtualInstrument, ScanSettingsAndProgress) {
    ScanRequest request;
    request.average = 3;
    request.gain = 4;
    std::vector<uint32_t> remaining;
    request.progress = [&](uint32_t ms) { remaining.push_back(ms); };
    Spectrum scan;
    ASSERT_TRUE(instrument_->Scan(request, scan).ok());
    EXPECT_EQ(*scan.metadata.Find("average"), "3");
    EXPECT_EQ(*scan.metadata.Find("gain"), "4");
    const uint32_t estimate = static_cast<uint32_t>(std::stoul(*scan.metadata.Find("estimated_scan_ms")));
    ASSERT_FALSE(remaining.empty());
    EXPECT_EQ(remaining.front(), estimate);
    EXPECT_EQ(remaining.back(), 0u);
    for (const ScanRequest &bad :
         {ScanRequest{9, 0, 0, {}}, ScanRequest{0, -1, 0, {}}, ScanRequest{0, 0, 3, {}}}) {
        EXPECT_EQ(instrument_->Scan(bad, scan).code, kErrArgument);
    }
}

TEST_F(VirtualInstrument, InfoAndConfigurations) {
    InstrumentInfo info;
    ASSERT_TRUE(instrument_->Info(info).ok());
    EXPECT_EQ(info.serial, "VS260417");
    EXPECT_EQ(info.model, "VelScan NIR-1");
    EXPECT_EQ(info.firmware_version, "2.1.4");
    EXPECT_EQ(info.flash_unique_id, "5A:17:3C:91:08:4E:22:D8");
    EXPECT_NEAR(info.lamp_hours, 37.2, 1e-9);
    ASSERT_EQ(info.configurations.size(), 3u);
    EXPECT_EQ(info.configurations[2].kind, ScanKind::MultiSection);
    EXPECT_EQ(info.configurations[2].points(), 200);

    Configuration column;
    column.slot = -1;
    column.name = "Column 100 1000-1600 w8";
    column.kind = ScanKind::Column;
    column.sections = {{ScanKind::Column, 1000, 1600, 8, 100, 0}};
    column.average = 4;
    Configuration stored, shown, expected = column;
    expected.slot = 3;  // the first free one
    const Status added = instrument_->AddConfiguration(column, stored);
    ASSERT_TRUE(added.ok()) << added.message;
    ASSERT_TRUE(instrument_->GetConfiguration(3, shown).ok());
    EXPECT_EQ(ConfigurationText(stored), ConfigurationText(expected));
    EXPECT_EQ(ConfigurationText(shown), ConfigurationText(expected));
    EXPECT_EQ(ScanOk(3).Points(), 100u);

    struct Bad {
        const char *what;
        void (*change)(Configuration &);
    };
    const Bad bad[] = {
        {"start 850 nm", [](Configuration &c) { c.sections[0].start_nm = 850; }},
        {"end 1800 nm", [](Configuration &c) { c.sections[0].end_nm = 1800; }},
        {"width 1", [](Configuration &c) { c.sections[0].width_px = 1; }},
        {"points 229", [](Configuration &c) { c.sections[0].points = 229; }},
        {"averaging 0", [](Configuration &c) { c.average = 0; }},
        {"exposure code 2", [](Configuration &c) { c.sections[0].exposure = 2; }},
        {"slot 9", [](Configuration &c) { c.slot = 9; }},
        {"stored form is 155 bytes",
         [](Configuration &c) {
             c.kind = ScanKind::MultiSection;
             c.sections.push_back({ScanKind::Hadamard, 1604, 1700, 8, 20, 1});
             c.sections[0].end_nm = 1600;
         }},
    };
    for (const Bad &b : bad) {
        Configuration request = column;
        b.change(request);
        const Status status = instrument_->AddConfiguration(request, stored);
        EXPECT_EQ(status.code, kErrArgument) << b.what;
        EXPECT_NE(status.message.find(b.what), std::string::npos) << status.message;
    }
    ASSERT_TRUE(instrument_->EraseConfigurations().ok());
    std::vector<Configuration> none;
    ASSERT_TRUE(instrument_->Configurations(none).ok());
    EXPECT_TRUE(none.empty());
}

TEST_F(VirtualInstrument, LibrariesPrintNothingAndCallsFromThreadsAreSerialized) {
    testing::internal::CaptureStdout();
    std::vector<std::thread> threads;
    // One thread per stored configuration, so that interpreting one kind of
    // scan overlaps with the instrument taking another.
    std::vector<Status> results(3);
    for (size_t t = 0; t < results.size(); ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 40 && results[t]; ++round) {
                Spectrum scan, reference;
                results[t] = instrument_->Scan({static_cast<int>(t), 0, 0, {}}, scan);
                if (results[t]) results[t] = instrument_->Reference(scan, reference);
            }
        });
    }
    for (std::thread &thread : threads) thread.join();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    for (const Status &status : results) EXPECT_TRUE(status.ok()) << status.message;
}

TEST_F(VirtualInstrument, ReopensAfterTheInstrumentCameBack) {
    virt::FaultSpec unplugged;
    unplugged.fault = virt::Fault::Disconnect;
    unplugged.persistent = true;
    virt::InjectFault(unplugged);
    Spectrum scan;
    EXPECT_EQ(instrument_->Scan({}, scan).code, kErrInstrument);
    EXPECT_EQ(instrument_->Reopen(std::chrono::milliseconds(2000)).code, kErrNotFound);
    EXPECT_EQ(instrument_->Scan({}, scan).code, kErrClosed);
    virt::ClearFaults();
    ASSERT_TRUE(instrument_->Reopen(std::chrono::seconds(30)).ok());
    ScanOk();

    OpenRequest real;  // the backend is process-wide: no real one beside the virtual
    std::unique_ptr<Instrument> other;
    EXPECT_EQ(Instrument::Open(real, other).code, kErrArgument);
}

TEST(OpenFailures, SayWhyInPlainWords) {
    struct Case {
        const char *name;
        int devices;
        bool open_fails;
        const char *serial;
        int code, exit_code;
        std::vector<const char *> message_parts;
    };
    const Case cases[] = {
        {"nothing plugged in", 0, false, "", kErrNotFound, 3, {"no instrument found", "70-velscan.rules"}},
        {"other serial", 1, false, "VS999999", kErrNotFound, 3, {"VS999999", "VS000001"}},
        {"no permission",
         1,
         true,
         "",
         kErrCannotOpen,
         4,
         {"VS000001", "cannot be opened", "Permission denied", "contrib/70-velscan.rules"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        velscan_test::FakeHid hid;
        for (int i = 0; i < c.devices; ++i) hid.AddDevice();
        hid.fail_open = c.open_fails;
        hid.open_error = L"Failed to open a device with path '/dev/hidraw0': Permission denied";
        OpenRequest request;
        request.serial = c.serial;
        std::unique_ptr<Instrument> instrument;
        const Status status = Instrument::Open(request, instrument);
        EXPECT_EQ(status.code, c.code);
        EXPECT_EQ(status.ExitCode(), c.exit_code);
        for (const char *part : c.message_parts) {
            EXPECT_NE(status.message.find(part), std::string::npos) << status.message;
        }
        EXPECT_FALSE(instrument);
    }
}

}  // namespace
