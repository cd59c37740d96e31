#include "info_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include <nlohmann/json.hpp>

namespace velscan {

namespace {

// Shortest text that reads back as the same double, in every locale.
std::string Number(double value) {
    char text[32];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string Range(double start_nm, double end_nm) { return Number(start_nm) + "-" + Number(end_nm); }

std::string Width(const Configuration &configuration) {
    // Distinct widths in section order ("6", or "6/10" for a multi-section scan).
    std::vector<int> seen;
    std::string widths;
    for (const Section &section : configuration.sections) {
        if (std::find(seen.begin(), seen.end(), section.width_px) != seen.end()) continue;
        seen.push_back(section.width_px);
        widths += (widths.empty() ? "" : "/") + std::to_string(section.width_px);
    }
    return widths;
}

// Columns padded to their widest cell, separated by two spaces.
std::string Table(const std::vector<std::vector<std::string>> &rows) {
    std::vector<size_t> widths;
    for (const auto &row : rows)
        for (size_t c = 0; c < row.size(); ++c) {
            widths.resize(std::max(widths.size(), row.size()));
            widths[c] = std::max(widths[c], row[c].size());
        }
    std::string out;
    for (const auto &row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line += std::string(widths[c] - row[c].size() + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

using Json = nlohmann::ordered_json;

Json ConfigurationJson(const Configuration &configuration) {
    Json sections = Json::array();
    for (const Section &s : configuration.sections)
        sections.push_back({{"type", ScanKindName(s.kind)},
                            {"start_nm", s.start_nm},
                            {"end_nm", s.end_nm},
                            {"width_px", s.width_px},
                            {"points", s.points},
                            {"exposure", s.exposure}});
    return {{"slot", configuration.slot},
            {"name", configuration.name},
            {"type", ScanKindName(configuration.kind)},
            {"start_nm", configuration.start_nm()},
            {"end_nm", configuration.end_nm()},
            {"points", configuration.points()},
            {"average", configuration.average},
            {"sections", sections}};
}

Json ConfigurationsJson(const std::vector<Configuration> &configurations) {
    Json all = Json::array();
    for (const Configuration &configuration : configurations) all.push_back(ConfigurationJson(configuration));
    return all;
}

Json InfoObject(const InstrumentInfo &info) {
    return {{"serial", info.serial},
            {"model", info.model},
            {"manufacturing_serial", info.manufacturing_serial},
            {"hardware_version", info.hardware_version},
            {"firmware_version", info.firmware_version},
            {"flash_unique_id", info.flash_unique_id},
            {"battery_volts", info.battery_volts},
            {"battery_percent", info.battery_percent},
            {"temperature_c", info.temperature_c},
            {"humidity_percent", info.humidity_percent},
            {"lamp_hours", info.lamp_hours},
            {"configurations", ConfigurationsJson(info.configurations)}};
}

// One line, keys in alphabetical order. Names from the instrument may carry
// any bytes: invalid UTF-8 is replaced, never a failure.
std::string Line(const Json &value) {
    const nlohmann::json sorted = value;
    return sorted.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace

std::string DeviceListText(const std::vector<DeviceEntry> &devices) {
    std::string out;
    for (const DeviceEntry &device : devices) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04x:%04x", device.vendor_id, device.product_id);
        out += std::to_string(device.index) + " " + device.serial + " " + ids + " " + device.path + "\n";
    }
    return out;
}

std::string ConfigurationTable(const std::vector<Configuration> &configurations) {
    std::vector<std::vector<std::string>> rows{
        {"slot", "name", "type", "range_nm", "width_px", "points", "average"}};
    for (const Configuration &c : configurations)
        rows.push_back({std::to_string(c.slot), c.name, std::string(ScanKindName(c.kind)),
                        Range(c.start_nm(), c.end_nm()), Width(c), std::to_string(c.points()),
                        std::to_string(c.average)});
    return Table(rows);
}

std::string ConfigurationText(const Configuration &configuration) {
    std::string out = "slot: " + std::to_string(configuration.slot) + "\n" + "name: " + configuration.name +
                      "\n" + "type: " + std::string(ScanKindName(configuration.kind)) + "\n" +
                      "range_nm: " + Range(configuration.start_nm(), configuration.end_nm()) + "\n" +
                      "points: " + std::to_string(configuration.points()) + "\n" +
                      "average: " + std::to_string(configuration.average) + "\n";
    std::vector<std::vector<std::string>> rows{
        {"section", "type", "range_nm", "width_px", "points", "exposure"}};
    for (size_t i = 0; i < configuration.sections.size(); ++i) {
        const Section &s = configuration.sections[i];
        rows.push_back({std::to_string(i), std::string(ScanKindName(s.kind)), Range(s.start_nm, s.end_nm),
                        std::to_string(s.width_px), std::to_string(s.points), std::to_string(s.exposure)});
    }
    return out + Table(rows);
}

std::string InfoText(const InstrumentInfo &info) {
    std::string out =
        "serial: " + info.serial + "\n" + "model: " + info.model + "\n" +
        "manufacturing_serial: " + info.manufacturing_serial + "\n" +
        "hardware_version: " + info.hardware_version + "\n" + "firmware_version: " + info.firmware_version +
        "\n" + "flash_unique_id: " + info.flash_unique_id + "\n" + "battery: " + Number(info.battery_volts) +
        " V, " + Number(info.battery_percent) + " %\n" + "temperature: " + Number(info.temperature_c) +
        " C\n" + "humidity: " + Number(info.humidity_percent) + " %\n" +
        "lamp_usage: " + Number(info.lamp_hours) + " h\n" + "configurations:\n";
    return out + ConfigurationTable(info.configurations);
}

// Invalid UTF-8 in names from the instrument is replaced, never a failure.
std::string InfoJson(const InstrumentInfo &info) {
    return InfoObject(info).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

std::string DeviceListLine(const std::vector<DeviceEntry> &devices) {
    Json all = Json::array();
    for (const DeviceEntry &device : devices)
        all.push_back({{"index", device.index},
                       {"serial", device.serial},
                       {"vendor_id", device.vendor_id},
                       {"product_id", device.product_id},
                       {"path", device.path}});
    return Line(all);
}

std::string InfoLine(const InstrumentInfo &info) { return Line(InfoObject(info)); }

std::string ConfigurationsLine(const std::vector<Configuration> &configurations) {
    return Line(ConfigurationsJson(configurations));
}

}  // namespace velscan
