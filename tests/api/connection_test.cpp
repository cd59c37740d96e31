// Connection functions over the scripted backend.
#include <gtest/gtest.h>

#include "fake_hid.h"
#include "wrapper.h"

using velscan_test::FakeHid;

TEST(Connection, NoDeviceEnumeratesZeroAndFailsTheOpen)
{
    FakeHid hid;
    hid.addDevice(0x1234);  // another vendor's interface is not ours
    EXPECT_EQ(velInitUsb(), 0);
    EXPECT_EQ(velOpenByUsb(0), VEL_ERR_OPEN);
    velClose(0);  // after a failed open: no effect
    EXPECT_EQ(hid.closeCount(), 0);
}

TEST(Connection, OpensAndClosesTheEnumeratedDevice)
{
    FakeHid hid;
    hid.addDevice();
    EXPECT_EQ(velInitUsb(), 1);
    EXPECT_EQ(velOpenByUsb(0), 0);
    EXPECT_EQ(velOpenByUsb(1), VEL_ERR_OPEN);  // never filled
    velClose(0);
    EXPECT_EQ(hid.closeCount(), 1);
}

TEST(Connection, InitPassesTheTransportFailureThrough)
{
    FakeHid hid;
    hid.failInit = true;
    EXPECT_EQ(velInitUsb(), -101);
}
