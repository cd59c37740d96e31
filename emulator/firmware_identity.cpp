// Identity, sensors, self-tests, switches, clock, power, controller
// registers and the error log.
#include <cmath>

#include "byte_order.h"
#include "firmware.h"

namespace virt {

namespace {

template <typename Field>
Reply TextReply(const Field &field) {
    return Reply::Data(std::vector<uint8_t>(field.begin(), field.end()));
}

template <typename Field>
Reply StoreText(Field &field, const Request &request) {
    std::copy(request.data, request.data + field.size(), field.begin());
    return Reply::Ack();
}

Reply U32Reply(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> payload;
    for (uint32_t v : values) PutU32(payload, v);
    return Reply::Data(std::move(payload));
}

bool ValidClock(const uint8_t *t) {
    return t[1] >= 1 && t[1] <= 12 && t[2] >= 1 && t[2] <= 31 && t[3] <= 6 && t[4] < 24 && t[5] < 60 &&
           t[6] < 60;
}

}  // namespace

Reply Firmware::GetFlashChecksum(const Request &) { return U32Reply({stored.flash_checksum}); }
Reply Firmware::GetVersion(const Request &) {
    const uint32_t *v = stored.versions;
    return U32Reply({v[0], v[1], v[2], v[3], v[4], v[5], v[6]});
}
Reply Firmware::SetSerialNumber(const Request &r) { return StoreText(stored.serial, r); }
Reply Firmware::GetSerialNumber(const Request &) { return TextReply(stored.serial); }
Reply Firmware::GetManufacturingSerNum(const Request &) { return TextReply(stored.manufacturing_serial); }
Reply Firmware::SaveModelName(const Request &r) { return StoreText(stored.model_name, r); }
Reply Firmware::ReadModelName(const Request &) { return TextReply(stored.model_name); }
Reply Firmware::WriteBleDispName(const Request &r) { return StoreText(stored.ble_name, r); }
Reply Firmware::ReadBleDispName(const Request &) { return TextReply(stored.ble_name); }
Reply Firmware::GetFlashUniqueID(const Request &) { return TextReply(stored.flash_uid); }

Reply Firmware::ReadHWVersion(const Request &) {
    std::vector<uint8_t> payload(stored.hw_text.begin(), stored.hw_text.end());
    PutU32(payload, stored.hw_values[0]);
    PutU32(payload, stored.hw_values[1]);
    return Reply::Data(std::move(payload));
}

Reply Firmware::ReadLampUsage(const Request &) {
    std::vector<uint8_t> payload;
    PutU64(payload, stored.lamp_usage_ms);
    return Reply::Data(std::move(payload));
}

Reply Firmware::ReadHum(const Request &) { return U32Reply({vol.temperature, vol.humidity}); }
Reply Firmware::ReadBattVolt(const Request &) {
    return U32Reply({vol.battery_voltage, vol.battery_percent, vol.battery_charging});
}
Reply Firmware::ReadControllerTemp(const Request &) { return U32Reply({vol.controller_temp}); }

Reply Firmware::GetPhotoDetector(const Request &) {
    // Raw readings of a 6-column band at 1000, 1300 and 1600 nm with the
    // sample in the window and the lamp as it is now.
    Coeffs3 bend = {stored.calibration.shift_vector_coeffs[0], stored.calibration.shift_vector_coeffs[1],
                    stored.calibration.shift_vector_coeffs[2]};
    const std::vector<double> &light = physics_.ColumnLight(sample, vol.velc_enabled, bend);
    const double columns[3] = {140.0, 433.0, 735.0};
    uint32_t readings[3];
    for (int i = 0; i < 3; ++i) {
        double sum = 0.0;
        for (int c = static_cast<int>(columns[i]) - 3; c < static_cast<int>(columns[i]) + 3; ++c)
            sum += light[c];
        readings[i] = static_cast<uint32_t>(Physics::Reading(sum, vol.pga_gain, 1.0, 1, nullptr));
    }
    return U32Reply({readings[0], readings[1], readings[2]});
}

Reply Firmware::SelfTestPass(const Request &) { return Reply::Data({0}); }
Reply Firmware::TestBQ(const Request &) {
    // Charger: status (power good, not charging), cell mV, charge mA,
    // charger temperature in hundredths, state of charge in percent.
    return U32Reply(
        {0x0C, vol.battery_voltage * 10, vol.battery_charging ? 450u : 0u, 2630, vol.battery_percent / 100});
}

Reply Firmware::VELCEnable(const Request &r) {
    vol.velc_enabled = r.data[0] != 0;
    return Reply::Ack();
}
Reply Firmware::SetScanControlsVELCOnOff(const Request &r) {
    vol.scan_controls_lamp = r.data[0] != 0;
    return Reply::Ack();
}
Reply Firmware::TestBT(const Request &r) {
    vol.bluetooth_on = r.data[0] != 0;
    return Reply::Ack();
}
Reply Firmware::TestLED(const Request &r) {
    vol.led = r.data[0];
    return Reply::Ack();
}
Reply Firmware::ButtonTestRd(const Request &) {
    return Reply::Data({static_cast<uint8_t>(vol.button_enabled && vol.button_pressed ? 1 : 0)});
}
Reply Firmware::ButtonTestWr(const Request &r) {
    vol.button_enabled = r.data[0] != 0;
    return Reply::Ack();
}
Reply Firmware::PlainAck(const Request &) { return Reply::Ack(); }

Reply Firmware::SetDateTime(const Request &r) {
    if (!ValidClock(r.data)) return Reply::Reject(kRejectBadArgument);
    std::copy(r.data, r.data + vol.clock.size(), vol.clock.begin());
    return Reply::Ack();
}
Reply Firmware::GetDateTime(const Request &) { return TextReply(vol.clock); }

Reply Firmware::HibernateMode(const Request &) {
    vol.hibernating = true;
    return Reply::None();
}
Reply Firmware::SetHibernate(const Request &r) {
    stored.hibernate_enabled = r.data[0] != 0;
    return Reply::Ack();
}
Reply Firmware::GetHibernate(const Request &) {
    return Reply::Data({static_cast<uint8_t>(stored.hibernate_enabled ? 1 : 0)});
}

Reply Firmware::GotoBootLoader(const Request &) {
    vol.in_boot_loader = true;
    return Reply::None();
}
Reply Firmware::ResetController(const Request &) {
    RestartController();
    return Reply::None();
}

Reply Firmware::SetVELCReg(const Request &r) {
    vol.velc_registers[GetU32(r.data)] = GetU32(r.data + 4);
    return Reply::Ack();
}
Reply Firmware::GetVELCReg(const Request &r) {
    auto it = vol.velc_registers.find(GetU32(r.data));
    return U32Reply({it == vol.velc_registers.end() ? 0u : it->second});
}

Reply Firmware::ReadDeviceStatus(const Request &) { return U32Reply({StatusWord()}); }

Reply Firmware::ReadErrorStatus(const Request &) {
    // Bytes 0-3: one bit per error type that holds an error; bytes 4-19:
    // the status byte of each of the 16 types.
    uint32_t mask = 0;
    for (size_t t = 0; t < kErrorTypes; ++t)
        if (vol.error_status[t] != 0) mask |= 1u << t;
    std::vector<uint8_t> payload;
    PutU32(payload, mask);
    payload.insert(payload.end(), vol.error_status.begin(), vol.error_status.end());
    return Reply::Data(std::move(payload));
}
Reply Firmware::ResetErrorStatus(const Request &) {
    vol.error_status.fill(0);
    vol.error_code.fill(0);
    return Reply::Ack();
}
Reply Firmware::GetSpecificErrorStatus(const Request &r) {
    uint32_t type = GetU32(r.data);
    if (type >= kErrorTypes) return Reply::Reject(kRejectBadArgument);
    return Reply::Data({vol.error_status[type]});
}
Reply Firmware::GetSpecificErrorcode(const Request &r) {
    uint32_t type = GetU32(r.data);
    if (type >= kErrorTypes) return Reply::Reject(kRejectBadArgument);
    std::vector<uint8_t> payload;
    PutU16(payload, vol.error_code[type]);
    return Reply::Data(std::move(payload));
}
Reply Firmware::ClearSpecificError(const Request &r) {
    uint32_t type = GetU32(r.data);
    if (type >= kErrorTypes) return Reply::Reject(kRejectBadArgument);
    vol.error_status[type] = 0;
    vol.error_code[type] = 0;
    return Reply::Ack();
}

}  // namespace virt
