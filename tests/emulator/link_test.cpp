// The instrument's side of the HID link, byte for byte, also through the
// uhid bridge's report relay (report ID first, as the kernel delivers them).

#include "framing.h"
#include "report_relay.h"
#include "virtual_fixture.h"

TEST(ReportRelay, RepliesAreFramedByteForByte) {
    // Sent as report ID 0, the frame and zero padding to report_size (0: an
    // empty report); answered by `replies` reports, the first opening with `first`.
    struct Golden {
        const char *what;
        Bytes frame;
        size_t report_size, replies;
        Bytes first;
    };
    // clang-format off
    const Golden cases[] = {
        {"GetNumScanCfg", {0xC0, 0x00, 0x02, 0x00, 0x22, 0x02}, 65, 1, {0x00, 0x00, 0x01, 0x00, 0x03, 0x00}},
        {"SetPGAGain 8, sequence 5, 64-byte report",
                          {0x40, 0x05, 0x03, 0x00, 0x1B, 0x02, 0x08}, 64, 1, {0x00, 0x05, 0x00, 0x00}},
        {"GetPGAGain",    {0xC0, 0x00, 0x02, 0x00, 0x28, 0x02}, 65, 1, {0x00, 0x00, 0x01, 0x00, 0x08}},
        {"GetFileSizeToRead matrix", {0xC0, 0x00, 0x06, 0x00, 0x2D, 0x00, 0x03, 0x00, 0x00, 0x00}, 65, 1,
                          {0x00, 0x00, 0x04, 0x00, 0x32, 0x09, 0x00, 0x00}},
        {"ReadHum swallowed by the armed fault", {0xC0, 0x00, 0x02, 0x00, 0x02, 0x03}, 65, 0, {}},
        {"ReadHum",       {0xC0, 0x00, 0x02, 0x00, 0x02, 0x03}, 65, 1,
                          {0x00, 0x00, 0x08, 0x00, 0xD0, 0x09, 0x00, 0x00, 0xEC, 0x0E, 0x00, 0x00}},
        {"GetFlashChecksum", {0xC0, 0x00, 0x03, 0x00, 0x15, 0x00, 0x00}, 65, 1,
                          {0x00, 0x00, 0x04, 0x00, 0xC5, 0x71, 0x9A, 0x3E}},
        {"GetScanCfg 0: image length 91 and two reports", {0xC0, 0x00, 0x06, 0x00, 0x20, 0x02, 0, 0, 0, 0}, 65, 2,
                          {0x00, 0x00, 0x5F, 0x00, 0x5B, 0x00, 0x00, 0x00}},
        {"unknown code 0x09A5",       {0xC0, 0x00, 0x02, 0x00, 0xA5, 0x09}, 65, 1, {0x10, 0x00, 0x00, 0x00}},
        {"bad slot",                  {0x40, 0x07, 0x03, 0x00, 0x24, 0x02, 0x09}, 65, 1, {0x20, 0x07, 0x00, 0x00}},
        {"SetPGAGain with two bytes", {0x40, 0x08, 0x04, 0x00, 0x1B, 0x02, 0x08, 0x00}, 65, 1, {0x30, 0x08, 0x00, 0x00}},
        {"length field 1",            {0x40, 0x09, 0x01, 0x00, 0x1B}, 65, 1, {0x30, 0x09, 0x00, 0x00}},
        {"length field 520, just over the longest body",
                                      {0x40, 0x0C, 0x08, 0x02, 0x25, 0x00}, 65, 1, {0x30, 0x0C, 0x00, 0x00}},
        {"length field 600",          {0x40, 0x0A, 0x58, 0x02, 0x25, 0x00}, 65, 1, {0x30, 0x0A, 0x00, 0x00}},
        {"GetNumScanCfg with a parameter",
                                      {0xC0, 0x00, 0x06, 0x00, 0x22, 0x02, 0x05, 0, 0, 0}, 65, 1, {0x30, 0x00, 0x00, 0x00}},
        {"unacknowledged HibernateMode", {0x40, 0x0B, 0x02, 0x00, 0x0D, 0x03}, 65, 0, {}},
        {"empty report", {}, 0, 0, {}},
    };
    // clang-format on
    virt::Reset();
    virt::InjectFault({.fault = virt::Fault::NoReply, .command = 0x0302});
    virt::ReportRelay relay;
    ASSERT_TRUE(relay.IsOpen());
    for (const Golden &g : cases) {
        SCOPED_TRACE(g.what);
        Bytes output(g.report_size, 0);
        if (!output.empty()) std::copy(g.frame.begin(), g.frame.end(), output.begin() + 1);
        std::vector<virt::Report> replies = relay.Relay(output.data(), output.size());
        ASSERT_EQ(replies.size(), g.replies);
        if (replies.empty()) continue;
        EXPECT_EQ(Bytes(replies[0].begin(), replies[0].begin() + g.first.size()), g.first);
    }
}

TEST_F(VirtualDeviceTest, LongRepliesContinueInHeaderlessReports) {
    uint8_t report[USB_OUTPUT_REPORT_SIZE] = {0, 0xC0, 0x00, 0x06, 0x00, 0x20, 0x02};  // GetScanCfg 0
    ASSERT_EQ(USB_Write(report), USB_OUTPUT_REPORT_SIZE);
    uint8_t first[64], second[64], none[64];
    ASSERT_EQ(USB_ReadTimeout(first, 0), 64);
    ASSERT_EQ(USB_ReadTimeout(second, 0), 64);
    EXPECT_EQ(USB_ReadTimeout(none, 0), 0);  // nothing more: a time-out, at once
    // After the 8 header and image-length bytes, the 91-byte image runs on.
    Bytes joined(first + 8, first + 64);
    joined.insert(joined.end(), second, second + 35);
    Bytes stored(ZOR_SCAN_CFG_IMAGE_MAX);
    uint32_t length = 0;
    ASSERT_EQ(ZOR_GetScanCfg(0, stored.data(), &length), 0);
    stored.resize(length);
    EXPECT_EQ(joined, stored);
    EXPECT_TRUE(std::all_of(second + 35, second + 64, [](uint8_t b) { return b == 0; }));
}

TEST_F(VirtualDeviceTest, EnumerationAndOpeningFollowHidapi) {
    const USB_HidBackend *hid = VIRT_Backend();
    hid_device_info *all = hid->enumerate(0, 0);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->vendor_id, USB_VENDOR_ID);
    EXPECT_EQ(all->product_id, USB_PRODUCT_ID);
    EXPECT_EQ(std::wstring(all->serial_number), L"VS260417");
    EXPECT_EQ(all->next, nullptr);
    hid->free_enumeration(all);
    EXPECT_EQ(hid->enumerate(0x1234, 0), nullptr);                             // another vendor
    EXPECT_EQ(hid->open(USB_VENDOR_ID, USB_PRODUCT_ID, L"VS26041"), nullptr);  // whole string compared
    EXPECT_EQ(hid->open(USB_VENDOR_ID, 0x0001, nullptr), nullptr);
    hid_device *handle = hid->open(USB_VENDOR_ID, USB_PRODUCT_ID, nullptr);
    ASSERT_NE(handle, nullptr);
    hid->close(handle);
    uint8_t report[65] = {0, 0xC0, 0x00, 0x02, 0x00, 0x22, 0x02};
    EXPECT_EQ(hid->write(handle, report, sizeof report), -1);  // closed
    EXPECT_EQ(hid->read_timeout(handle, report, 64, 10000), -1);
}
