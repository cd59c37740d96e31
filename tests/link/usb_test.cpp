// Transport: device table, open/close rules and single-report transfer.
#include <gtest/gtest.h>

#include "fake_hid.h"
#include "usb.h"

using velscan_test::Bytes;
using velscan_test::FakeHid;

namespace {

void ExpectClosed() {
    Bytes report(USB_OUTPUT_REPORT_SIZE, 0);
    EXPECT_EQ(USB_Write(report.data()), USB_ERR_WRITE_CLOSED);
    EXPECT_EQ(USB_Read(report.data()), USB_ERR_READ_CLOSED);
}

// Only the vendor's interfaces enter, whatever the product, and at most four;
// a failed init leaves the table alone.
TEST(Usb, EnumerateEntersTheVendorsInterfacesUpToFour) {
    FakeHid hid;
    hid.AddDevice(0x1234, 0x0001, L"OTHER");
    hid.AddDevice(USB_VENDOR_ID, 0x0AAA, L"A1");
    hid.AddDevice(0x1234, 0x0002, L"OTHER2");
    for (const wchar_t *serial : {L"B2", L"S2", L"S3", L"S4"}) hid.AddDevice(USB_VENDOR_ID, 0x0BBB, serial);
    for (bool fail_init : {false, true}) {
        hid.fail_init = fail_init;
        EXPECT_EQ(USB_Enumerate(), fail_init ? USB_ERR_INIT : 4);
        EXPECT_EQ(deviceNumber, 4);
        EXPECT_EQ(devInfo[0].productId, 0x0AAA);
        EXPECT_STREQ(devInfo[0].serialNumber, L"A1");
        EXPECT_EQ(devInfo[0].handle, nullptr);
        EXPECT_EQ(devInfo[1].index, 1);
        EXPECT_EQ(devInfo[1].vendorId, USB_VENDOR_ID);
        EXPECT_STREQ(devInfo[3].serialNumber, L"S3");
    }
}

TEST(Usb, OpensBySerialWhichIsCutToEightCharacters) {
    {
        FakeHid hid;  // no device: nothing to open, nothing moves
        EXPECT_EQ(USB_Enumerate(), 0);
        EXPECT_EQ(USB_Open(0), USB_ERR_OPEN);
        ExpectClosed();
        EXPECT_TRUE(hid.writes().empty());
    }
    {
        FakeHid hid;  // opened by the cut serial, which matches nothing
        hid.AddDevice(USB_VENDOR_ID, USB_PRODUCT_ID, L"ABCDEFGHIJ");
        ASSERT_EQ(USB_Enumerate(), 1);
        EXPECT_STREQ(devInfo[0].serialNumber, L"ABCDEFGH");
        EXPECT_EQ(USB_Open(0), USB_ERR_OPEN);
    }
    FakeHid hid;  // no serial: opened by vendor and product
    hid.AddDevice(USB_VENDOR_ID, USB_PRODUCT_ID, nullptr);
    ASSERT_EQ(USB_Enumerate(), 1);
    EXPECT_STREQ(devInfo[0].serialNumber, L"");
    EXPECT_EQ(USB_Open(0), 0);
}

TEST(Usb, OpenCloseRulesAndSingleReportTransfer) {
    FakeHid hid;
    ASSERT_TRUE(hid.OpenOne());
    // An index outside the table is refused without effect.
    for (int index : {4, -1}) EXPECT_EQ(USB_Open(index), USB_ERR_OPEN);
    EXPECT_EQ(USB_Close(4), USB_ERR_OPEN);
    EXPECT_EQ(currentIndex, 0);

    Bytes out(USB_OUTPUT_REPORT_SIZE, 0);
    out[1] = 0xC0;
    EXPECT_EQ(USB_Write(out.data()), USB_OUTPUT_REPORT_SIZE);
    EXPECT_EQ(hid.writes(), std::vector<Bytes>{out});
    Bytes in(USB_REPORT_SIZE, 0);
    hid.QueueReport(Bytes(USB_REPORT_SIZE, 0x11));
    hid.QueueTimeout();
    hid.QueueReadError();
    EXPECT_EQ(USB_Read(in.data()), USB_REPORT_SIZE);
    EXPECT_EQ(in[63], 0x11);
    EXPECT_EQ(USB_Read(in.data()), 0);
    EXPECT_EQ(USB_Read(in.data()), -1);
    EXPECT_EQ(hid.read_timeouts(), (std::vector<int>{10000, 10000, 10000}));  // the default time-out

    EXPECT_EQ(hid.CloseCount(), 0);
    EXPECT_EQ(USB_Close(0), 0);
    EXPECT_EQ(hid.CloseCount(), 1);
    EXPECT_EQ(devInfo[0].handle, nullptr);
    ExpectClosed();
    EXPECT_EQ(USB_Close(0), 0);  // a second close releases nothing twice
    EXPECT_EQ(hid.CloseCount(), 1);
    EXPECT_EQ(USB_Open(0), 0);  // the entry can be opened again
    EXPECT_EQ(USB_Open(0), 0);  // and opening it again releases the old handle
    EXPECT_EQ(hid.CloseCount(), 2);
    EXPECT_EQ(USB_Open(1), USB_ERR_OPEN);  // an empty entry still becomes current
    ExpectClosed();
}

}  // namespace
