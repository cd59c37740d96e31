#include "fake_hid.h"

#include <algorithm>
#include <cstring>

namespace velscan_test {

namespace {

constexpr size_t kReport = USB_REPORT_SIZE;

void resetTransportTable() {
    for (int i = 0; i < USB_MAX_DEVICES; ++i) USB_Close(i);
    std::memset(devInfo, 0, sizeof devInfo);
    deviceNumber = 0;
    currentIndex = 0;
}

}  // namespace

std::vector<Bytes> splitIntoReports(const Bytes &frame) {
    std::vector<Bytes> reports;
    for (size_t at = 0; at < frame.size(); at += kReport) {
        Bytes report(kReport, 0);
        const size_t n = std::min(kReport, frame.size() - at);
        std::copy_n(frame.begin() + static_cast<long>(at), n, report.begin());
        reports.push_back(report);
    }
    return reports;
}

Bytes replyFrame(const Bytes &payload, int status, int lengthField) {
    const int length = lengthField < 0 ? static_cast<int>(payload.size()) : lengthField;
    Bytes frame = {static_cast<uint8_t>((status & 3) << 4), 0, static_cast<uint8_t>(length),
                   static_cast<uint8_t>(length >> 8)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

FakeHid *FakeHid::instance_ = nullptr;

FakeHid::FakeHid() {
    instance_ = this;
    static const USB_HidBackend table = {
        &FakeHid::hidInit,  &FakeHid::hidExit,  &FakeHid::hidEnumerate, &FakeHid::hidFreeEnumeration,
        &FakeHid::hidOpen,  &FakeHid::hidClose, &FakeHid::hidWrite,     &FakeHid::hidReadTimeout,
        &FakeHid::hidError,
    };
    USB_SetHidBackend(&table);
    resetTransportTable();
}

FakeHid::~FakeHid() {
    resetTransportTable();
    USB_SetHidBackend(nullptr);
    instance_ = nullptr;
}

void FakeHid::addDevice(uint16_t vendor, uint16_t product, const wchar_t *serial) {
    devices_.push_back({vendor, product, serial != nullptr, serial ? serial : L""});
}

void FakeHid::queueReport(const Bytes &report) { script_.push_back({Event::Report, {report}}); }

void FakeHid::queueReply(const Bytes &payload, int status, int lengthField) {
    for (const Bytes &report : splitIntoReports(replyFrame(payload, status, lengthField)))
        queueReport(report);
}

void FakeHid::queueAck(int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    queueReply({static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                static_cast<uint8_t>(v >> 24)});
}

void FakeHid::queueEmptyAck() { queueReply({}); }

void FakeHid::queueTimeout() { script_.push_back({Event::Timeout, {}}); }

void FakeHid::queueReadError() { script_.push_back({Event::Error, {}}); }

void FakeHid::queueLateReply(const Bytes &payload, int status) {
    script_.push_back({Event::Late, splitIntoReports(replyFrame(payload, status))});
}

void FakeHid::addPendingReport(const Bytes &report) { pending_.push_back(report); }

std::vector<Bytes> FakeHid::frames() const {
    std::vector<Bytes> result;
    Bytes current;
    size_t wanted = 0;
    for (const Bytes &report : writes_) {
        current.insert(current.end(), report.begin() + 1, report.end());
        if (wanted == 0 && current.size() >= 4) wanted = 4 + (current[2] | current[3] << 8);
        if (current.size() >= wanted) {
            current.resize(wanted);
            result.push_back(current);
            current.clear();
            wanted = 0;
        }
    }
    if (!current.empty()) result.push_back(current);  // an unfinished frame
    return result;
}

void FakeHid::answer(uint16_t code, Responder responder) { responders_[code] = std::move(responder); }

void FakeHid::answer(uint16_t code, const Bytes &payload) {
    answer(code, [payload](FakeHid &hid, const Bytes &) { hid.queueReply(payload); });
}

void FakeHid::answerOnce(uint16_t code, int occurrence, Responder responder) {
    oneOff_[{code, occurrence}] = std::move(responder);
}

std::vector<uint16_t> FakeHid::codes() const {
    std::vector<uint16_t> result;
    for (const Command &command : commands_) result.push_back(command.code);
    return result;
}

void FakeHid::respond(const Bytes &report) {
    request_.insert(request_.end(), report.begin() + 1, report.end());
    const size_t length = request_[2] | request_[3] << 8;
    if (request_.size() < 4 + length) return;  // more reports to come
    const uint16_t code = static_cast<uint16_t>(request_[4] | request_[5] << 8);
    const bool isRead = request_[0] == 0xC0;
    const Bytes data(request_.begin() + 6,
                     request_.begin() + 4 + static_cast<long>(std::max<size_t>(length, 2)));
    request_.clear();
    commands_.push_back({code, data});
    const auto once = oneOff_.find({code, occurrences_[code]++});
    const auto always = responders_.find(code);
    if (once != oneOff_.end())
        once->second(*this, data);
    else if (always != responders_.end())
        always->second(*this, data);
    else if (isRead)
        queueReply({}, 1);
    else
        queueEmptyAck();
}

void FakeHid::clearRecords() {
    writes_.clear();
    readTimeouts_.clear();
    openSerials_.clear();
    commands_.clear();
}

int FakeHid::hidInit() { return instance_ && instance_->failInit ? -1 : 0; }

int FakeHid::hidExit() { return 0; }

const wchar_t *FakeHid::hidError(hid_device *device) {
    if (instance_ == nullptr || device != nullptr || !instance_->failOpen || instance_->openError.empty())
        return nullptr;
    return instance_->openError.c_str();
}

hid_device_info *FakeHid::hidEnumerate(unsigned short vendor, unsigned short product) {
    if (instance_ == nullptr) return nullptr;
    hid_device_info *head = nullptr;
    hid_device_info **tail = &head;
    for (const Device &device : instance_->devices_) {
        if (vendor != 0 && device.vendor != vendor) continue;
        if (product != 0 && device.product != product) continue;
        auto *node = new hid_device_info{};
        node->vendor_id = device.vendor;
        node->product_id = device.product;
        if (device.hasSerial) {
            node->serial_number = new wchar_t[device.serial.size() + 1];
            std::copy_n(device.serial.c_str(), device.serial.size() + 1, node->serial_number);
        }
        *tail = node;
        tail = &node->next;
    }
    return head;
}

void FakeHid::hidFreeEnumeration(hid_device_info *list) {
    while (list != nullptr) {
        hid_device_info *next = list->next;
        delete[] list->serial_number;
        delete list;
        list = next;
    }
}

hid_device *FakeHid::hidOpen(unsigned short vendor, unsigned short product, const wchar_t *serial) {
    if (instance_ == nullptr) return nullptr;
    instance_->openSerials_.push_back(serial ? serial : L"");
    if (instance_->failOpen) return nullptr;
    for (const Device &device : instance_->devices_) {
        if (device.vendor != vendor || device.product != product) continue;
        if (serial != nullptr && (!device.hasSerial || device.serial != serial)) continue;
        ++instance_->opens_;
        return reinterpret_cast<hid_device *>(&instance_->handleToken_);
    }
    return nullptr;
}

void FakeHid::hidClose(hid_device *) {
    if (instance_ != nullptr) ++instance_->closes_;
}

int FakeHid::hidWrite(hid_device *, const unsigned char *data, size_t length) {
    if (instance_ == nullptr) return -1;
    FakeHid &self = *instance_;
    const int number = static_cast<int>(self.writes_.size());
    self.writes_.emplace_back(data, data + length);
    if (number == self.failWriteAt) return -1;
    if (!self.responders_.empty() || !self.oneOff_.empty()) self.respond(self.writes_.back());
    if (self.onWrite) self.onWrite(self.writes_.back());
    return static_cast<int>(length);
}

int FakeHid::deliver(const Bytes &report, unsigned char *data, size_t length) {
    const size_t n = std::min(length, report.size());
    std::copy_n(report.begin(), n, data);
    return static_cast<int>(n);
}

int FakeHid::hidReadTimeout(hid_device *, unsigned char *data, size_t length, int milliseconds) {
    if (instance_ == nullptr) return -1;
    FakeHid &self = *instance_;
    self.readTimeouts_.push_back(milliseconds);
    if (self.onRead) {
        Bytes report;
        const int result = self.onRead(milliseconds, report);
        return result > 0 ? self.deliver(report, data, length) : result;
    }
    if (!self.pending_.empty()) {
        Bytes report = self.pending_.front();
        self.pending_.pop_front();
        return self.deliver(report, data, length);
    }
    if (milliseconds == 0) {
        if (self.flooding_) return self.deliver(Bytes(kReport, 0xEE), data, length);
        return 0;
    }
    if (self.script_.empty()) return 0;
    Event event = self.script_.front();
    self.script_.pop_front();
    switch (event.kind) {
        case Event::Report:
            return self.deliver(event.reports.front(), data, length);
        case Event::Timeout:
            return 0;
        case Event::Error:
            return -1;
        case Event::Late:
            for (const Bytes &report : event.reports) self.pending_.push_back(report);
            return 0;
    }
    return 0;
}

}  // namespace velscan_test
