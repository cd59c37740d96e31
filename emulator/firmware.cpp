#include "firmware.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "byte_order.h"
#include "command_table.h"
#include "report_link.h"
#include "scan_engine.h"
#include "virtual_device.h"

namespace virt {

Reply Reply::AckValue(uint32_t value) {
    Reply reply = Ack();
    PutU32(reply.payload, value);
    return reply;
}

Firmware::Firmware() : Firmware(VIRT_SERIAL_NUMBER) {}

Firmware::Firmware(std::string serial) : identity_serial(std::move(serial)), physics_(FactoryOptics()) {
    FactoryReset();
}

Reply Firmware::Handle(const std::vector<uint8_t> &frame) {
    if (frame.size() < kFrameHeaderBytes + 2) return Reply::Reject(kRejectBadLength);
    Request request;
    request.code = GetU16(frame.data() + 4);
    request.data = frame.data() + 6;
    request.length = frame.size() - 6;

    vol.hibernating = false;  // any command wakes the controller
    if (vol.in_boot_loader && request.code != 0x021a) return Reply::Reject(kRejectUnknownCommand);

    const CommandSpec *row = FindCommand(request.code);
    if (row == nullptr) return Reply::Reject(kRejectUnknownCommand);
    bool length_ok =
        row->variable_length ? request.length <= row->data_length : request.length == row->data_length;
    if (!length_ok) return row->kind == Kind::WriteNoAck ? Reply::None() : Reply::Reject(kRejectBadLength);
    return (this->*row->handler)(request);
}

std::vector<uint8_t> Firmware::FileImage(uint32_t type) const {
    switch (type) {
        case kFileScanData:
            return vol.last_scan_file;
        case kFileRefCal:
            return stored.refcal_file;
        case kFileMatrix:
            return stored.matrix_file;
        default:
            return {};
    }
}

std::optional<DecodedConfig> Firmware::CurrentConfig() const {
    if (vol.applied_config) return DecodeConfig(*vol.applied_config);
    if (vol.active_index >= stored.configs.size()) return std::nullopt;
    return DecodeConfig(stored.configs[vol.active_index]);
}

bool Firmware::TakeScan() {
    std::optional<DecodedConfig> config = CurrentConfig();
    if (!config) return false;
    std::optional<ScanPlan> plan = PlanScan(*config, stored.calibration);
    if (!plan) return false;

    ScanConditions c;
    c.sample = sample;
    c.lamp_on = LampLitDuringScan();
    c.gain = vol.pga_gain;
    c.auto_gain = !vol.pga_fixed;
    c.repeats = vol.repeats;
    c.noise = noise_enabled;
    c.calibration = stored.calibration;
    if (vol.name_tag[0] != 0) {
        std::memcpy(c.name.data(), vol.name_tag.data(), vol.name_tag.size());
    } else {
        std::snprintf(c.name.data(), c.name.size(), "scan_%04u",
                      static_cast<unsigned>(vol.scan_count + 1) % 10000u);
    }
    c.time = vol.clock;
    c.system_temp = static_cast<int16_t>(vol.temperature);
    c.detector_temp = vol.detector_temp;
    c.humidity = static_cast<uint16_t>(vol.humidity);
    c.lamp_monitor = c.lamp_on ? 1832 : 0;
    c.device_tag = vol.scan_count + 1;
    c.serial = stored.serial;

    std::optional<ScanOutput> out = RunScan(*config, *plan, c, physics_, noise_);
    if (!out) return false;
    vol.last_scan_file = std::move(out->image);
    vol.scan_count++;
    vol.scan_complete = true;
    if (!vol.pga_fixed) vol.pga_gain = out->gain;
    if (c.lamp_on) stored.lamp_usage_ms += EstimateScanMs(*plan, vol.repeats);
    return true;
}

uint32_t Firmware::StatusWord() const {
    uint32_t word = kStatusReady;
    if (vol.scan_complete) word |= kStatusScanComplete;
    if (vol.velc_enabled) word |= kStatusLampOn;
    if (vol.bluetooth_on) word |= kStatusBluetoothOn;
    if (vol.button_enabled) word |= kStatusButtonEnabled;
    if (vol.button_enabled && vol.button_pressed) word |= kStatusButtonPressed;
    for (uint8_t status : vol.error_status)
        if (status != 0) word |= kStatusError;
    if (vol.hibernating) word |= kStatusHibernate;
    return word;
}

void Firmware::RestartController() {
    // Every setting returns to its power-on value; the clock, the last scan,
    // the error log and the controller registers live in battery-backed
    // memory and survive.
    VolatileState fresh;
    fresh.clock = vol.clock;
    fresh.last_scan_file = std::move(vol.last_scan_file);
    fresh.scan_count = vol.scan_count;
    fresh.error_status = vol.error_status;
    fresh.error_code = vol.error_code;
    fresh.velc_registers = std::move(vol.velc_registers);
    vol = std::move(fresh);
}

}  // namespace virt
