// Every misuse of the C interface gives its code, a text for it, and
// changes nothing: no buffer written, no file left, no handle handed out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "velscan.h"

namespace {

class CInterfaceBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(velscan_open_virtual("white", &device_), VELSCAN_OK) << velscan_last_error_message();
        ASSERT_EQ(velscan_scan(device_, 0, 0, &scan_), VELSCAN_OK) << velscan_last_error_message();
        ASSERT_EQ(velscan_spectrum_points(scan_, &points_), VELSCAN_OK);
        folder_ = std::filesystem::temp_directory_path() / ("velscan_capi_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        velscan_spectrum_free(scan_);
        velscan_close(device_);
        std::filesystem::remove_all(folder_);
    }

    velscan_device *device_ = nullptr;
    velscan_spectrum *scan_ = nullptr;
    size_t points_ = 0;
    std::filesystem::path folder_;
};

}  // namespace

TEST_F(CInterfaceBadInput, EachMisuseGivesItsCodeAndChangesNothing) {
    velscan_device *closed = nullptr;
    ASSERT_EQ(velscan_open_virtual(nullptr, &closed), VELSCAN_OK);
    ASSERT_EQ(velscan_close(closed), VELSCAN_OK);
    velscan_spectrum *freed = nullptr;
    ASSERT_EQ(velscan_reference(device_, scan_, &freed), VELSCAN_OK) << velscan_last_error_message();
    ASSERT_EQ(velscan_spectrum_free(freed), VELSCAN_OK);

    const std::string written = (folder_ / "out.csv").string();
    const std::string nowhere = (folder_ / "no" / "such" / "out.csv").string();
    std::vector<double> values(points_, -7.0);
    char text[4] = {'x', 'x', 'x', 'x'};
    size_t needed = 0;
    velscan_device *out_device = nullptr;
    velscan_spectrum *out = nullptr;
    // Another kind's handle, and a number never handed out.
    auto *as_device = reinterpret_cast<velscan_device *>(scan_);
    auto *invented = reinterpret_cast<velscan_spectrum *>(uintptr_t{0xDEADBEEF});

    struct Case {
        const char *name;
        std::function<int32_t()> call;
        int32_t code;
    };
    const Case cases[] = {
        {"null device", [&] { return velscan_close(nullptr); }, VELSCAN_ERR_NULL_POINTER},
        {"null out", [&] { return velscan_open_virtual("white", nullptr); }, VELSCAN_ERR_NULL_POINTER},
        {"unknown sample", [&] { return velscan_open_virtual("purple", &out_device); }, VELSCAN_ERR_ARGUMENT},
        {"second close", [&] { return velscan_close(closed); }, VELSCAN_ERR_BAD_HANDLE},
        {"closed scanned", [&] { return velscan_scan(closed, 0, 0, &out); }, VELSCAN_ERR_BAD_HANDLE},
        {"spectrum as device", [&] { return velscan_info(as_device, text, sizeof text, &needed); },
         VELSCAN_ERR_BAD_HANDLE},
        {"second free", [&] { return velscan_spectrum_free(freed); }, VELSCAN_ERR_BAD_HANDLE},
        {"freed read", [&] { return velscan_spectrum_points(freed, &needed); }, VELSCAN_ERR_BAD_HANDLE},
        {"invented handle", [&] { return velscan_spectrum_write(invented, written.c_str(), nullptr); },
         VELSCAN_ERR_BAD_HANDLE},
        {"average 70000", [&] { return velscan_scan(device_, 0, 70000, &out); }, VELSCAN_ERR_ARGUMENT},
        {"array too small",
         [&] { return velscan_spectrum_values(scan_, VELSCAN_VALUES_INTENSITY, values.data(), points_ - 1); },
         VELSCAN_ERR_BUFFER_TOO_SMALL},
        {"values kind 9", [&] { return velscan_spectrum_values(scan_, 9, values.data(), points_); },
         VELSCAN_ERR_ARGUMENT},
        {"no reference",
         [&] { return velscan_spectrum_values(scan_, VELSCAN_VALUES_ABSORBANCE, values.data(), points_); },
         VELSCAN_ERR_NOT_AVAILABLE},
        {"metadata key",
         [&] { return velscan_spectrum_metadata(scan_, "colour", text, sizeof text, &needed); },
         VELSCAN_ERR_NOT_AVAILABLE},
        {"text too small", [&] { return velscan_device_serial(device_, text, sizeof text, &needed); },
         VELSCAN_ERR_BUFFER_TOO_SMALL},
        {"unknown format", [&] { return velscan_spectrum_write(scan_, written.c_str(), "xlsx"); },
         VELSCAN_ERR_ARGUMENT},
        {"unwritable path", [&] { return velscan_spectrum_write(scan_, nowhere.c_str(), "csv"); },
         VELSCAN_ERR_OUTPUT_FILE},
        {"missing input", [&] { return velscan_spectrum_read("/nonexistent/v.csv", &out); },
         VELSCAN_ERR_INPUT_FILE},
        {"null path", [&] { return velscan_spectrum_read(nullptr, &out); }, VELSCAN_ERR_NULL_POINTER},
        {"null reference", [&] { return velscan_spectrum_apply_reference(scan_, nullptr, nullptr, &out); },
         VELSCAN_ERR_NULL_POINTER},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.call(), c.code) << c.name;
        EXPECT_STRNE(velscan_last_error_message(), "") << c.name;
        EXPECT_STRNE(velscan_strerror(c.code), "unknown error code") << c.name;
    }
    EXPECT_EQ(needed, 9u);  // the serial's size, reported by the too-small call
    EXPECT_EQ(std::string(text, sizeof text), "xxxx");
    EXPECT_EQ(values, std::vector<double>(points_, -7.0));
    EXPECT_EQ(out_device, nullptr);
    EXPECT_EQ(out, nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(folder_));
}
