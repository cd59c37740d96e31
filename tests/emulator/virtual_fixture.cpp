#include "virtual_fixture.h"

#include <algorithm>
#include <cstring>

#include "velspec_scan.h"

void VirtualDeviceTest::SetUp() {
    virt::Reset();
    USB_SetHidBackend(VIRT_Backend());
    USB_SetSleepFunction([](uint32_t) {});
    ZOR_SetUARTConnected(0);
    ASSERT_EQ(USB_Enumerate(), 1);
    ASSERT_EQ(USB_Open(0), 0);
}

void VirtualDeviceTest::TearDown() {
    USB_Close(0);
    USB_SetHidBackend(nullptr);
    USB_SetSleepFunction(nullptr);
    ZOR_SetUARTConnected(0);
    virt::Reset();
}

Bytes VirtualDeviceTest::FetchFile(uint32_t file_type) {
    int32_t size = ZOR_GetFileSizeToRead(file_type);
    EXPECT_GE(size, 0);
    if (size <= 0) return {};
    Bytes file(static_cast<size_t>(size));
    int32_t received = ZOR_GetFile(file.data(), size);
    EXPECT_EQ(received, size);
    file.resize(static_cast<size_t>(std::max(received, 0)));
    return file;
}

std::unique_ptr<scanResults> VirtualDeviceTest::Interpret(const Bytes &image) {
    auto results = std::make_unique<scanResults>();
    std::memset(results.get(), 0, sizeof *results);
    EXPECT_EQ(velspec_scan_interpret(image.data(), image.size(), results.get()), VELSPEC_OK);
    return results;
}

std::unique_ptr<scanResults> VirtualDeviceTest::Scan(uint8_t slot) {
    EXPECT_EQ(ZOR_SetActiveScanIndex(slot), 0);
    EXPECT_EQ(ZOR_PerformScan(0), 0);
    return Interpret(FetchFile(ZOR_FILE_SCAN_DATA));
}
