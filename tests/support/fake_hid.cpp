#include "fake_hid.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace velscan_test {

namespace {

void ResetTransportTable() {
    for (int i = 0; i < USB_MAX_DEVICES; ++i) USB_Close(i);
    std::memset(devInfo, 0, sizeof devInfo);
    deviceNumber = 0;
    currentIndex = 0;
}

}  // namespace

std::vector<Bytes> SplitIntoReports(const Bytes &frame) {
    std::vector<Bytes> reports;
    for (size_t at = 0; at < frame.size(); at += USB_REPORT_SIZE) {
        Bytes &report = reports.emplace_back(USB_REPORT_SIZE, 0);
        std::copy(frame.begin() + at, frame.begin() + std::min(frame.size(), at + USB_REPORT_SIZE),
                  report.begin());
    }
    return reports;
}

Bytes ReplyFrame(const Bytes &payload, int status) {
    Bytes frame = {static_cast<uint8_t>((status & 3) << 4), 0, static_cast<uint8_t>(payload.size()),
                   static_cast<uint8_t>(payload.size() >> 8)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

FakeHid::FakeHid() {
    instance_ = this;
    static const USB_HidBackend table = {
        [] { return instance_->fail_init ? -1 : 0; },
        [] { return 0; },
        [](unsigned short vendor, unsigned short product) {
            hid_device_info *head = nullptr, **tail = &head;
            for (const Device &device : instance_->devices_) {
                if ((vendor != 0 && device.vendor != vendor) || (product != 0 && device.product != product))
                    continue;
                *tail = new hid_device_info{};
                (*tail)->vendor_id = device.vendor;
                (*tail)->product_id = device.product;
                if (device.serial) (*tail)->serial_number = wcsdup(device.serial->c_str());
                tail = &(*tail)->next;
            }
            return head;
        },
        [](hid_device_info *list) {
            while (list != nullptr) {
                hid_device_info *next = list->next;
                free(list->serial_number);
                delete list;
                list = next;
            }
        },
        [](unsigned short vendor, unsigned short product, const wchar_t *serial) -> hid_device * {
            FakeHid &self = *instance_;
            for (const Device &device : self.devices_) {
                if (self.fail_open || device.vendor != vendor || device.product != product) continue;
                if (serial != nullptr && device.serial != serial) continue;
                return reinterpret_cast<hid_device *>(&self.closes_);  // any address inside this object
            }
            return nullptr;
        },
        [](hid_device *) { ++instance_->closes_; },
        [](hid_device *, const unsigned char *data, size_t length) {
            FakeHid &self = *instance_;
            self.writes_.emplace_back(data, data + length);
            if (static_cast<int>(self.writes_.size()) - 1 == self.fail_write_at) return -1;
            const std::vector<Command> sent = self.on_command ? self.commands() : std::vector<Command>();
            if (sent.size() > self.answered_) {
                self.answered_ = sent.size();
                self.on_command(sent.back());
            }
            return static_cast<int>(length);
        },
        [](hid_device *, unsigned char *data, size_t length, int milliseconds) {
            FakeHid &self = *instance_;
            self.read_timeouts_.push_back(milliseconds);
            Read read = {0, {}};
            if (self.on_read) {
                read.result = self.on_read(milliseconds, read.report);
            } else if (!self.script_.empty() && (milliseconds > 0 || self.script_.front().waiting)) {
                read = self.script_.front();
                self.script_.pop_front();
            }
            if (read.result <= 0) return read.result;
            const size_t n = std::min(length, read.report.size());
            std::copy_n(read.report.begin(), n, data);
            return static_cast<int>(n);
        },
        [](hid_device *device) -> const wchar_t * {
            const FakeHid &self = *instance_;
            return device == nullptr && self.fail_open && !self.open_error.empty() ? self.open_error.c_str()
                                                                                   : nullptr;
        },
    };
    USB_SetHidBackend(&table);
    ResetTransportTable();
}

FakeHid::~FakeHid() {
    ResetTransportTable();
    USB_SetHidBackend(nullptr);
}

void FakeHid::AddDevice(uint16_t vendor, uint16_t product, const wchar_t *serial) {
    devices_.push_back({vendor, product, serial ? std::optional<std::wstring>(serial) : std::nullopt});
}

void FakeHid::QueueReply(const Bytes &payload, int status) {
    for (const Bytes &report : SplitIntoReports(ReplyFrame(payload, status))) QueueReport(report);
}

void FakeHid::QueueAck(int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    QueueReply({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

void FakeHid::QueueLateReply(const Bytes &payload) {
    QueueTimeout();
    for (const Bytes &report : SplitIntoReports(ReplyFrame(payload)))
        script_.push_back({USB_REPORT_SIZE, report, true});
}

std::vector<Bytes> FakeHid::frames() const {
    std::vector<Bytes> result;
    Bytes current;
    for (const Bytes &report : writes_) {
        current.insert(current.end(), report.begin() + 1, report.end());
        const size_t wanted = current.size() >= 4 ? 4 + (current[2] | current[3] << 8) : SIZE_MAX;
        if (current.size() >= wanted) {
            current.resize(wanted);
            result.push_back(current);
            current.clear();
        }
    }
    if (!current.empty()) result.push_back(current);  // an unfinished frame
    return result;
}

std::vector<FakeHid::Command> FakeHid::commands() const {
    std::vector<Command> result;
    for (const Bytes &frame : frames()) {
        if (frame.size() < 6u || frame.size() != 4u + (frame[2] | frame[3] << 8)) continue;
        result.push_back(
            {static_cast<uint16_t>(frame[4] | frame[5] << 8), Bytes(frame.begin() + 6, frame.end())});
    }
    return result;
}

void FakeHid::ClearRecords() {
    writes_.clear();
    read_timeouts_.clear();
    answered_ = 0;
}

}  // namespace velscan_test
