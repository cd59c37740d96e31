// Several virtual instruments at once: each has its own serial number,
// sample and state, and the transport reaches each through its own entry.
#include <string>

#include "virtual_fixture.h"

TEST_F(VirtualDeviceTest, AddedInstrumentsAreSeparateDevicesWithTheirOwnSerialNumbers) {
    auto serial_of_current = [] {
        char serial[9] = {};
        EXPECT_EQ(ZOR_GetSerialNumber(serial), 0);
        return std::string(serial);
    };
    const std::string second = virt::AddInstrument();
    const std::string third = virt::AddInstrument();
    EXPECT_EQ(second, "VS260418");
    EXPECT_EQ(third, "VS260419");
    EXPECT_EQ(virt::InstrumentSerials(), (std::vector<std::string>{"VS260417", "VS260418", "VS260419"}));
    EXPECT_EQ(virt::FirstClosedInstrument(), second);  // the fixture has the default one open
    ASSERT_EQ(USB_Enumerate(), 3);
    ASSERT_EQ(USB_Open(1), 0);
    EXPECT_EQ(virt::FirstClosedInstrument(), third);
    ASSERT_TRUE(virt::SetSampleOf(second, virt::Sample::Dark));

    currentIndex = 0;
    EXPECT_EQ(serial_of_current(), "VS260417");
    currentIndex = 1;
    EXPECT_EQ(serial_of_current(), second);
    EXPECT_EQ(virt::CurrentSample(), virt::Sample::WhiteReference);  // the default keeps its own

    EXPECT_FALSE(virt::RemoveInstrument(second));      // open
    EXPECT_FALSE(virt::RemoveInstrument("VS260417"));  // the default stays
    USB_Close(1);
    EXPECT_TRUE(virt::RemoveInstrument(second));
    EXPECT_EQ(virt::AddInstrument(), second);  // its number is free again
    EXPECT_TRUE(virt::RemoveInstrument(second));
    EXPECT_TRUE(virt::RemoveInstrument(third));
    currentIndex = 0;

    // A new serial number is what enumeration reports from then on.
    ASSERT_EQ(ZOR_SetSerialNumber("VS999999"), 0);
    USB_Close(0);
    ASSERT_EQ(USB_Enumerate(), 1);
    EXPECT_EQ(std::wstring(devInfo[0].serialNumber), L"VS999999");
    EXPECT_EQ(USB_Open(0), 0);
}
