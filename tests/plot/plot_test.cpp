// Plots decode as the file types their names promise; the axis ticks fall on
// round numbers; refusals leave nothing behind.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "font_cache_leaks.h"
#include "plot.h"
#include "plot_axis.h"

namespace {

namespace fs = std::filesystem;
using velscan::PlotOptions;
using velscan::PlotSeries;
using velscan::PlotSpectra;
using velscan::Spectrum;

Spectrum Sample(bool with_reference) {
    Spectrum s;
    for (int i = 0; i < 228; ++i) {
        double nm = 900 + i * 3.5;
        s.wavelength_nm.push_back(nm);
        s.intensity.push_back(i == 40 ? NAN : 1e5 + 3e4 * std::sin(nm / 80));
        if (with_reference) {
            s.reference.push_back(1.5e5);
            s.reflectance.push_back(s.intensity.back() / 1.5e5);
            s.absorbance.push_back(i % 50 == 7 ? NAN : -std::log10(s.reflectance.back()));
        }
    }
    s.metadata.Set("config_name", "Column 1");
    s.metadata.Set("serial", "VS260417");
    return s;
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("velscan_plot_" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

TEST(Plot, PngAndSvgDecode) {
    TempDir dir;
    Spectrum a = Sample(true), b = Sample(true);
    for (double &y : b.intensity) y *= 0.8;
    std::vector<PlotSeries> series{{"a.csv", &a}, {"b.csv", &b}};
    for (bool absorbance : {false, true}) {
        PlotOptions options;
        options.absorbance = absorbance;
        std::string png = (dir.path / "p.png").string(), svg = (dir.path / "p.SVG").string();
        ASSERT_TRUE(PlotSpectra(series, options, png)) << absorbance;
        ASSERT_TRUE(PlotSpectra(series, options, svg)) << absorbance;

        cairo_surface_t *image = cairo_image_surface_create_from_png(png.c_str());
        ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        EXPECT_EQ(cairo_image_surface_get_width(image), options.width_px);
        EXPECT_EQ(cairo_image_surface_get_height(image), options.height_px);
        cairo_surface_destroy(image);

        std::stringstream text;
        text << std::ifstream(svg).rdbuf();
        EXPECT_EQ(text.str().rfind("<?xml", 0), 0u);
        EXPECT_NE(text.str().find("<svg"), std::string::npos);
        EXPECT_NE(text.str().find("</svg>"), std::string::npos);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.path), fs::directory_iterator()), 2);
    }
}

TEST(Plot, RefusalsLeaveNoFile) {
    TempDir dir;
    Spectrum plain = Sample(false), masked = Sample(true);
    for (double &a : masked.absorbance) a = NAN;
    struct Case {
        const char *what;
        std::vector<PlotSeries> series;
        bool absorbance;
        const char *file;
        int code;
    } cases[] = {
        {"unknown ending", {{"x", &plain}}, false, "p.jpg", velscan::kErrArgument},
        {"no series", {}, false, "p.png", velscan::kErrArgument},
        {"absorbance without reference", {{"x", &plain}}, true, "p.png", velscan::kErrArgument},
        {"all masked", {{"x", &masked}}, true, "p.svg", velscan::kErrArgument},
        {"missing folder", {{"x", &plain}}, false, "no/p.png", velscan::kErrOutputFile},
    };
    for (const Case &c : cases) {
        PlotOptions options;
        options.absorbance = c.absorbance;
        velscan::Status status = PlotSpectra(c.series, options, (dir.path / c.file).string());
        EXPECT_EQ(status.code, c.code) << c.what << ": " << status.message;
        EXPECT_FALSE(status.message.empty()) << c.what;
    }
    EXPECT_TRUE(fs::is_empty(dir.path));
}

TEST(PlotAxis, TicksAreRoundAndInside) {
    struct Case {
        double low, high, step, first;
    } cases[] = {
        {899.455, 1700.8, 100, 900},
        {-0.031, 0.62, 0.1, 0},
        {1.2e3, 1.9e5, 2e4, 2e4},
        {0.9701, 0.9912, 0.002, 0.972},
    };
    for (const Case &c : cases) {
        velscan::AxisTicks ticks = velscan::RoundTicks(c.low, c.high, 8);
        EXPECT_DOUBLE_EQ(ticks.step, c.step) << c.low;
        ASSERT_FALSE(ticks.values.empty());
        EXPECT_NEAR(ticks.values.front(), c.first, c.step * 1e-9) << c.low;
        EXPECT_LE(ticks.values.back(), c.high);
    }
    EXPECT_EQ(velscan::TickLabel(1500, 100), "1500");
    EXPECT_EQ(velscan::TickLabel(0.30000000000000004, 0.1), "0.3");
    EXPECT_EQ(velscan::TickLabel(-1e-17, 0.1), "0.0");
    EXPECT_EQ(velscan::TickLabel(0.972, 0.002), "0.972");
}

}  // namespace
