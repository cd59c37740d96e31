// Scripted stand-in for hidapi, installed behind the transport's backend seam.
//
// Usage:
//   FakeHid hid;              // installs itself; the destructor restores hidapi
//   hid.addDevice();          // one interface with USB_VENDOR_ID (optional args)
//   USB_Enumerate(); USB_Open(0);
//   hid.queueReply({0x05, 0x00});         // reply frame, cut into 64-byte reports
//   ZOR_GetNumScanCfg();
//   hid.writes()[0]                       // every 65-byte report written, in order
//
// Input model. Blocking reads (time-out > 0) take, in order: first any report
// already pending, then the next scripted event (a report, a time-out, a
// failure). Zero-time-out reads see only the pending reports and never
// consume the script, so the framing layer's discard of stale input leaves
// the script alone. A "late" reply times out the read it was meant for and
// then becomes pending, as a reply that arrives after hidapi gave up does.
//
// Only one FakeHid may exist at a time (hidapi's entry points are plain
// functions, so the instance is reachable through a static pointer).
#ifndef VELSCAN_FAKE_HID_H
#define VELSCAN_FAKE_HID_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "usb.h"

namespace velscan_test {

using Bytes = std::vector<uint8_t>;

// Cut a frame into 64-byte input reports (the last one zero-padded).
std::vector<Bytes> splitIntoReports(const Bytes &frame);
// A reply frame: flags (status in bits 5-4), sequence 0, length, payload.
// lengthField < 0 means "the payload's size".
Bytes replyFrame(const Bytes &payload, int status = 0, int lengthField = -1);

class FakeHid {
public:
    FakeHid();   // installs the fake backend
    ~FakeHid();  // closes every transport entry and restores the system hidapi
    FakeHid(const FakeHid &) = delete;
    FakeHid &operator=(const FakeHid &) = delete;

    // Interfaces reported by enumerate, in order. serial == nullptr: no
    // serial-number string.
    void addDevice(uint16_t vendor = USB_VENDOR_ID, uint16_t product = USB_PRODUCT_ID,
                   const wchar_t *serial = L"VS000001");

    // --- input script ---------------------------------------------------
    void queueReport(const Bytes &report);  // one raw input report
    void queueReply(const Bytes &payload, int status = 0, int lengthField = -1);
    void queueAck(int32_t value);  // length 4, value LE
    void queueEmptyAck();          // length 0
    void queueTimeout();           // a read returns 0
    void queueReadError();         // a read returns -1
    // The next blocking read times out; the reply then becomes pending.
    void queueLateReply(const Bytes &payload, int status = 0);
    // Reports already waiting before the next command is sent.
    void addPendingReport(const Bytes &report);
    // Every zero-time-out read returns a report (a device that floods).
    void setFlooding(bool flooding) { flooding_ = flooding; }
    // When the script runs dry a blocking read times out (returns 0).
    size_t scriptedEventsLeft() const { return script_.size(); }
    size_t pendingReportsLeft() const { return pending_.size(); }

    // Called after each recorded write; may queue replies (a tiny responder).
    std::function<void(const Bytes &report)> onWrite;
    // When set, answers every read in place of the script and the pending
    // reports: returns the read's result, filling `report` when it is > 0.
    std::function<int(int milliseconds, Bytes &report)> onRead;

    // --- command responder ----------------------------------------------
    // Once a responder is set, each request frame is answered as soon as it
    // is written: by the one-off responder for that occurrence of its code,
    // else by the responder for its code, else with status 1 (a read) or an
    // empty acknowledgement (a write).
    struct Command {
        uint16_t code;
        Bytes data;  // the request's payload after the code
        bool operator==(const Command &) const = default;
    };
    using Responder = std::function<void(FakeHid &hid, const Bytes &data)>;
    void answer(uint16_t code, Responder responder);
    void answer(uint16_t code, const Bytes &payload);                     // the same reply each time
    void answerOnce(uint16_t code, int occurrence, Responder responder);  // 0-based
    const std::vector<Command> &commands() const { return commands_; }
    std::vector<uint16_t> codes() const;

    // --- failures -------------------------------------------------------
    bool failInit = false;   // init returns -1
    bool failOpen = false;   // open returns NULL
    std::wstring openError;  // with failOpen: what hid_error(NULL) then says
    int failWriteAt = -1;    // the write with this 0-based number returns -1

    // --- records --------------------------------------------------------
    const std::vector<Bytes> &writes() const { return writes_; }  // 65 bytes each
    // The command frames written (report ID dropped, reports concatenated
    // and cut to the frame's length field).
    std::vector<Bytes> frames() const;
    const std::vector<int> &readTimeouts() const { return readTimeouts_; }
    int openCount() const { return opens_; }
    int closeCount() const { return closes_; }
    std::vector<std::wstring> openSerials() const { return openSerials_; }  // "" for null
    void clearRecords();

private:
    struct Event {
        enum Kind { Report, Timeout, Error, Late } kind;
        std::vector<Bytes> reports;
    };
    struct Device {
        uint16_t vendor, product;
        bool hasSerial;
        std::wstring serial;
    };

    static FakeHid *instance_;
    static int hidInit();
    static int hidExit();
    static hid_device_info *hidEnumerate(unsigned short, unsigned short);
    static void hidFreeEnumeration(hid_device_info *);
    static hid_device *hidOpen(unsigned short, unsigned short, const wchar_t *);
    static void hidClose(hid_device *);
    static int hidWrite(hid_device *, const unsigned char *, size_t);
    static int hidReadTimeout(hid_device *, unsigned char *, size_t, int);
    static const wchar_t *hidError(hid_device *);

    int deliver(const Bytes &report, unsigned char *data, size_t length);
    void respond(const Bytes &report);

    std::vector<Device> devices_;
    std::deque<Event> script_;
    std::deque<Bytes> pending_;
    bool flooding_ = false;
    std::vector<Bytes> writes_;
    std::vector<int> readTimeouts_;
    std::vector<std::wstring> openSerials_;
    int opens_ = 0;
    int closes_ = 0;
    int handleToken_ = 0;  // handles are addresses inside this object
    std::map<uint16_t, Responder> responders_;
    std::map<std::pair<uint16_t, int>, Responder> oneOff_;  // by code and occurrence
    std::map<uint16_t, int> occurrences_;
    std::vector<Command> commands_;
    Bytes request_;  // the request frame being written
};

}  // namespace velscan_test

#endif
