#include "plot.h"

#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "formats_internal.h"
#include "plot_axis.h"

namespace velscan {

namespace {

constexpr const char *kFont = "DejaVu Sans";
constexpr double kTitleSize = 15, kLabelSize = 13, kTickSize = 11, kLegendSize = 11;
constexpr double kMarginLeft = 86, kMarginRight = 24, kMarginTop = 46, kMarginBottom = 58;

struct Rgb {
    double r, g, b;
};
// Colours told apart also by people with the common colour-vision deficiencies.
constexpr Rgb kPalette[] = {
    {0.122, 0.467, 0.706}, {0.851, 0.373, 0.008}, {0.173, 0.627, 0.173}, {0.839, 0.153, 0.157},
    {0.580, 0.404, 0.741}, {0.549, 0.337, 0.294}, {0.890, 0.467, 0.761}, {0.498, 0.498, 0.498},
    {0.737, 0.741, 0.133}, {0.090, 0.745, 0.812},
};
constexpr size_t kPaletteSize = sizeof kPalette / sizeof kPalette[0];

enum class Surface { Png, Svg };

bool EndsWith(const std::string &text, const char *ending) {
    size_t n = std::char_traits<char>::length(ending);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = text[text.size() - n + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != ending[i]) return false;
    }
    return true;
}

const std::vector<double> &Values(const Spectrum &spectrum, bool absorbance) {
    return absorbance ? spectrum.absorbance : spectrum.intensity;
}

// The data range over every finite point of every series.
struct Range {
    double x_low = INFINITY, x_high = -INFINITY;
    double y_low = INFINITY, y_high = -INFINITY;
    bool Empty() const { return !(x_low <= x_high); }
};

Range DataRange(const std::vector<PlotSeries> &series, bool absorbance) {
    Range range;
    for (const PlotSeries &one : series) {
        const std::vector<double> &y = Values(*one.spectrum, absorbance);
        for (size_t i = 0; i < one.spectrum->Points() && i < y.size(); ++i) {
            double x = one.spectrum->wavelength_nm[i];
            if (!std::isfinite(x) || !std::isfinite(y[i])) continue;
            range.x_low = std::min(range.x_low, x);
            range.x_high = std::max(range.x_high, x);
            range.y_low = std::min(range.y_low, y[i]);
            range.y_high = std::max(range.y_high, y[i]);
        }
    }
    if (range.Empty()) return range;
    if (range.x_high - range.x_low <= 0) {
        range.x_low -= 1;
        range.x_high += 1;
    }
    double span = range.y_high - range.y_low;
    double pad = span > 0 ? span * 0.05 : std::max(std::fabs(range.y_high) * 0.1, 1e-3);
    range.y_low -= pad;
    range.y_high += pad;
    return range;
}

std::string DefaultTitle(const Spectrum &spectrum) {
    std::string title;
    for (const char *key : {"config_name", "serial", "start_time"}) {
        const std::string *value = spectrum.metadata.Find(key);
        if (!value || value->empty()) continue;
        if (!title.empty()) title += ", ";
        title += *value;
    }
    return title.empty() ? "velscan spectrum" : title;
}

// Maps data to device coordinates inside the plot area.
struct Frame {
    double left, top, right, bottom;
    Range range;
    double X(double x) const {
        return left + (x - range.x_low) / (range.x_high - range.x_low) * (right - left);
    }
    double Y(double y) const {
        return bottom - (y - range.y_low) / (range.y_high - range.y_low) * (bottom - top);
    }
};

void Text(cairo_t *cr, const std::string &text, double x, double y, double size, double align_x,
          double align_y, bool bold = false) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    cairo_move_to(cr, x - extents.x_bearing - extents.width * align_x,
                  y - extents.y_bearing - extents.height * align_y);
    cairo_show_text(cr, text.c_str());
}

double TextWidth(cairo_t *cr, const std::string &text, double size) {
    cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.x_advance;
}

void DrawAxes(cairo_t *cr, const Frame &frame, bool absorbance) {
    AxisTicks x_ticks = RoundTicks(frame.range.x_low, frame.range.x_high, 8);
    AxisTicks y_ticks = RoundTicks(frame.range.y_low, frame.range.y_high, 6);

    // Thin grid first, so axes and data lie on top of it.
    cairo_set_line_width(cr, 0.5);
    cairo_set_source_rgb(cr, 0.86, 0.86, 0.86);
    for (double x : x_ticks.values) {
        cairo_move_to(cr, frame.X(x), frame.top);
        cairo_line_to(cr, frame.X(x), frame.bottom);
    }
    for (double y : y_ticks.values) {
        cairo_move_to(cr, frame.left, frame.Y(y));
        cairo_line_to(cr, frame.right, frame.Y(y));
    }
    cairo_stroke(cr);

    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    cairo_stroke(cr);
    for (double x : x_ticks.values) {
        cairo_move_to(cr, frame.X(x), frame.bottom);
        cairo_line_to(cr, frame.X(x), frame.bottom + 5);
        Text(cr, TickLabel(x, x_ticks.step), frame.X(x), frame.bottom + 8, kTickSize, 0.5, 0);
    }
    for (double y : y_ticks.values) {
        cairo_move_to(cr, frame.left - 5, frame.Y(y));
        cairo_line_to(cr, frame.left, frame.Y(y));
        Text(cr, TickLabel(y, y_ticks.step), frame.left - 8, frame.Y(y), kTickSize, 1, 0.5);
    }
    cairo_stroke(cr);

    Text(cr, "Wavelength (nm)", (frame.left + frame.right) / 2, frame.bottom + 30, kLabelSize, 0.5, 0);
    cairo_save(cr);
    cairo_translate(cr, 18, (frame.top + frame.bottom) / 2);
    cairo_rotate(cr, -M_PI / 2);
    Text(cr, absorbance ? "Absorbance" : "Intensity (counts)", 0, 0, kLabelSize, 0.5, 0.5);
    cairo_restore(cr);
}

// One polyline per series; a masked (NaN) point ends the current stretch.
void DrawSeries(cairo_t *cr, const Frame &frame, const std::vector<PlotSeries> &series, bool absorbance) {
    cairo_save(cr);
    cairo_rectangle(cr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
    cairo_clip(cr);
    cairo_set_line_width(cr, 1.5);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    for (size_t s = 0; s < series.size(); ++s) {
        const Spectrum &spectrum = *series[s].spectrum;
        const std::vector<double> &y = Values(spectrum, absorbance);
        const Rgb &colour = kPalette[s % kPaletteSize];
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        bool drawing = false;
        for (size_t i = 0; i < spectrum.Points() && i < y.size(); ++i) {
            double x = spectrum.wavelength_nm[i];
            if (!std::isfinite(x) || !std::isfinite(y[i])) {
                drawing = false;
                continue;
            }
            if (drawing)
                cairo_line_to(cr, frame.X(x), frame.Y(y[i]));
            else
                cairo_move_to(cr, frame.X(x), frame.Y(y[i]));
            drawing = true;
        }
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void DrawLegend(cairo_t *cr, const Frame &frame, const std::vector<PlotSeries> &series) {
    constexpr double kRow = 18, kSwatch = 22, kPad = 8;
    double text_width = 0;
    for (const PlotSeries &one : series)
        text_width = std::max(text_width, TextWidth(cr, one.label, kLegendSize));
    double width = kPad * 3 + kSwatch + text_width;
    double height = kPad * 2 + kRow * static_cast<double>(series.size());
    double x = frame.right - width - 10, y = frame.top + 10;

    cairo_rectangle(cr, x, y, width, height);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.85);
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.6, 0.6, 0.6);
    cairo_set_line_width(cr, 0.5);
    cairo_stroke(cr);
    for (size_t s = 0; s < series.size(); ++s) {
        double row_y = y + kPad + kRow * (static_cast<double>(s) + 0.5);
        const Rgb &colour = kPalette[s % kPaletteSize];
        cairo_set_source_rgb(cr, colour.r, colour.g, colour.b);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, x + kPad, row_y);
        cairo_line_to(cr, x + kPad + kSwatch, row_y);
        cairo_stroke(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        Text(cr, series[s].label, x + kPad * 2 + kSwatch, row_y, kLegendSize, 0, 0.5);
    }
}

// The one drawing routine behind both file types.
void Draw(cairo_t *cr, const std::vector<PlotSeries> &series, const PlotOptions &options, const Range &range,
          const std::string &title) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    Frame frame{kMarginLeft, kMarginTop, options.width_px - kMarginRight, options.height_px - kMarginBottom,
                range};
    DrawAxes(cr, frame, options.absorbance);
    DrawSeries(cr, frame, series, options.absorbance);
    DrawLegend(cr, frame, series);
    cairo_set_source_rgb(cr, 0, 0, 0);
    Text(cr, title, options.width_px / 2.0, 16, kTitleSize, 0.5, 0, true);
}

cairo_status_t AppendBytes(void *closure, const unsigned char *data, unsigned int length) {
    static_cast<std::string *>(closure)->append(reinterpret_cast<const char *>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t *surface) const { cairo_surface_destroy(surface); }
};
struct ContextDeleter {
    void operator()(cairo_t *cr) const { cairo_destroy(cr); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;

// Draws into `bytes` (the whole PNG or SVG file).
bool Render(std::string &bytes, Surface kind, const std::vector<PlotSeries> &series,
            const PlotOptions &options, const Range &range, const std::string &title) {
    SurfacePtr surface(
        kind == Surface::Png
            ? cairo_image_surface_create(CAIRO_FORMAT_ARGB32, options.width_px, options.height_px)
            : cairo_svg_surface_create_for_stream(AppendBytes, &bytes, options.width_px, options.height_px));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return false;
    {
        ContextPtr cr(cairo_create(surface.get()));
        Draw(cr.get(), series, options, range, title);
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) return false;
    }
    if (kind == Surface::Png)
        return cairo_surface_write_to_png_stream(surface.get(), AppendBytes, &bytes) == CAIRO_STATUS_SUCCESS;
    cairo_surface_finish(surface.get());  // the SVG surface writes its last bytes here
    return cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace

Status CheckPlotPath(const std::string &path) {
    if (EndsWith(path, ".png") || EndsWith(path, ".svg")) return Status::Ok();
    return Status::Fail(kErrArgument, "plot file " + path + " must end in .png or .svg");
}

Status PlotSpectra(const std::vector<PlotSeries> &series, const PlotOptions &options,
                   const std::string &path) {
    Status named = CheckPlotPath(path);
    if (!named) return named;
    Surface kind = EndsWith(path, ".png") ? Surface::Png : Surface::Svg;
    if (series.empty()) return Status::Fail(kErrArgument, "nothing to plot: no spectra given");
    if (options.width_px < 200 || options.height_px < 150 || options.width_px > 10000 ||
        options.height_px > 10000)
        return Status::Fail(kErrArgument, "plot size must be 200x150 to 10000x10000 pixels");
    for (const PlotSeries &one : series) {
        if (!one.spectrum) return Status::Fail(kErrArgument, "nothing to plot for " + one.label);
        if (options.absorbance && !one.spectrum->HasReference())
            return Status::Fail(kErrArgument,
                                one.label + " has no absorbance (it was measured without a reference)");
    }
    Range range = DataRange(series, options.absorbance);
    if (range.Empty())
        return Status::Fail(kErrArgument, std::string("nothing to plot: every ") +
                                              (options.absorbance ? "absorbance" : "intensity") +
                                              " value is masked");
    std::string title = options.title.empty() ? DefaultTitle(*series.front().spectrum) : options.title;
    std::string bytes;
    if (!Render(bytes, kind, series, options, range, title))
        return Status::Fail(kErrOutputFile, "cannot draw " + path + ": the drawing library failed");
    return WriteFileAtomically(path, bytes);
}

}  // namespace velscan
