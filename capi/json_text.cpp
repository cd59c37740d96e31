#include "json_text.h"

#include <nlohmann/json.hpp>

namespace velscan::capi {

namespace {

using nlohmann::json;

json ConfigurationObject(const Configuration &configuration) {
    json sections = json::array();
    for (const Section &section : configuration.sections) {
        sections.push_back({{"type", ScanKindName(section.kind)},
                            {"start_nm", section.start_nm},
                            {"end_nm", section.end_nm},
                            {"width_px", section.width_px},
                            {"points", section.points},
                            {"exposure", section.exposure}});
    }
    return {{"slot", configuration.slot},
            {"name", configuration.name},
            {"type", ScanKindName(configuration.kind)},
            {"start_nm", configuration.start_nm()},
            {"end_nm", configuration.end_nm()},
            {"points", configuration.points()},
            {"average", configuration.average},
            {"sections", sections}};
}

json ConfigurationArray(const std::vector<Configuration> &configurations) {
    json all = json::array();
    for (const Configuration &configuration : configurations) all.push_back(ConfigurationObject(configuration));
    return all;
}

// Names from the instrument may carry any bytes: invalid UTF-8 is replaced, never a failure.
std::string Dump(const json &value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string DeviceListJson(const std::vector<DeviceEntry> &devices) {
    json all = json::array();
    for (const DeviceEntry &device : devices) {
        all.push_back({{"index", device.index},
                       {"serial", device.serial},
                       {"vendor_id", device.vendor_id},
                       {"product_id", device.product_id},
                       {"path", device.path}});
    }
    return Dump(all);
}

std::string InfoJson(const InstrumentInfo &info) {
    return Dump({{"serial", info.serial},
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
                 {"configurations", ConfigurationArray(info.configurations)}});
}

std::string ConfigurationsJson(const std::vector<Configuration> &configurations) {
    return Dump(ConfigurationArray(configurations));
}

}  // namespace velscan::capi
