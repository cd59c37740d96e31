// velscan-uhid-bridge: presents the virtual spectrometer to the Linux kernel
// as a USB HID device through /dev/uhid, so hidapi's hidraw backend finds,
// opens and talks to it exactly as to the real instrument.
//
// Every output report the kernel hands over goes to the instrument model; each
// reply report goes back as an input report. The device disappears when the
// bridge ends (SIGTERM, SIGINT, or --vanish-after-scans).
#include <linux/uhid.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include "report_relay.h"
#include "usb.h"
#include "virtual_control.h"
#include "virtual_device.h"

namespace {

// One 64-byte vendor-defined input report and one 64-byte output report,
// without report IDs: the instrument's interface.
constexpr uint8_t kReportDescriptor[] = {
    0x06, 0x00, 0xFF,  // Usage Page (vendor defined 0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8 bits)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x01,        //   Usage (1)
    0x81, 0x02,        //   Input (Data, Variable, Absolute)
    0x95, 0x40,        //   Report Count (64)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data, Variable, Absolute)
    0xC0,              // End Collection
};
constexpr const char *kDeviceName = "VelScan NIR-1 (uhid bridge)";
constexpr uint32_t kDeviceVersion = 0x0214;

volatile std::sig_atomic_t stop_requested = 0;
void RequestStop(int) { stop_requested = 1; }

struct Options {
    std::string sample = "white";
    uint64_t noise_seed = virt::kDefaultNoiseSeed;
    bool no_noise = false;
    std::string fault;
    uint32_t fault_command = virt::kAnyCommand;
    uint32_t fault_skip = 0;
    bool fault_persistent = false;
    uint64_t vanish_after_scans = 0;
    bool verbose = false;
};

const std::map<std::string, virt::Sample> kSamples = {
    {"white", virt::Sample::WhiteReference},
    {"organic", virt::Sample::Organic},
    {"lines", virt::Sample::EmissionLines},
    {"dark", virt::Sample::Dark},
};

// Faults that mean the same over a kernel link as in process.
const std::map<std::string, virt::Fault> kFaults = {
    {"no-reply", virt::Fault::NoReply},       {"status1", virt::Fault::Status1},
    {"status2", virt::Fault::Status2},        {"status3", virt::Fault::Status3},
    {"short-reply", virt::Fault::ShortReply}, {"oversize-length", virt::Fault::OversizeLength},
};

bool WriteEvent(int fd, const uhid_event &event) {
    ssize_t n;
    do {
        n = write(fd, &event, sizeof event);
    } while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(sizeof event)) {
        std::fprintf(stderr, "velscan-uhid-bridge: writing to /dev/uhid failed: %s\n",
                     n < 0 ? std::strerror(errno) : "short write");
        return false;
    }
    return true;
}

bool CreateDevice(int fd) {
    uhid_event event{};
    event.type = UHID_CREATE2;
    uhid_create2_req &create = event.u.create2;
    std::snprintf(reinterpret_cast<char *>(create.name), sizeof create.name, "%s", kDeviceName);
    std::snprintf(reinterpret_cast<char *>(create.phys), sizeof create.phys, "velscan-uhid-bridge");
    std::snprintf(reinterpret_cast<char *>(create.uniq), sizeof create.uniq, "%s", VIRT_SERIAL_NUMBER);
    create.rd_size = sizeof kReportDescriptor;
    create.bus = BUS_USB;
    create.vendor = USB_VENDOR_ID;
    create.product = USB_PRODUCT_ID;
    create.version = kDeviceVersion;
    std::memcpy(create.rd_data, kReportDescriptor, sizeof kReportDescriptor);
    return WriteEvent(fd, event);
}

void DestroyDevice(int fd) {
    uhid_event event{};
    event.type = UHID_DESTROY;
    WriteEvent(fd, event);
}

bool SendInput(int fd, const virt::Report &report) {
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = static_cast<uint16_t>(report.size());
    std::memcpy(event.u.input2.data, report.data(), report.size());
    return WriteEvent(fd, event);
}

// The instrument has no feature reports; the kernel waits for an answer to
// these, so each gets a prompt refusal.
bool RefuseReportRequest(int fd, const uhid_event &request) {
    uhid_event event{};
    if (request.type == UHID_GET_REPORT) {
        event.type = UHID_GET_REPORT_REPLY;
        event.u.get_report_reply.id = request.u.get_report.id;
        event.u.get_report_reply.err = EIO;
    } else {
        event.type = UHID_SET_REPORT_REPLY;
        event.u.set_report_reply.id = request.u.set_report.id;
        event.u.set_report_reply.err = EIO;
    }
    return WriteEvent(fd, event);
}

void ConfigureInstrument(const Options &options) {
    virt::SetSample(kSamples.at(options.sample));
    virt::SetNoiseSeed(options.noise_seed);
    virt::SetNoiseEnabled(!options.no_noise);
    if (!options.fault.empty()) {
        virt::FaultSpec fault_spec;
        fault_spec.fault = kFaults.at(options.fault);
        fault_spec.command = options.fault_command;
        fault_spec.skip = options.fault_skip;
        fault_spec.persistent = options.fault_persistent;
        virt::InjectFault(fault_spec);
    }
}

// Serves the kernel until a stop is requested, the scan budget is spent or
// /dev/uhid fails. Returns the exit status.
int Serve(int fd, const Options &options) {
    virt::ReportRelay relay;
    if (!relay.IsOpen()) {
        std::fprintf(stderr, "velscan-uhid-bridge: the virtual instrument did not open\n");
        return 1;
    }
    while (stop_requested == 0) {
        uhid_event event{};
        ssize_t n = read(fd, &event, sizeof event);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            std::fprintf(stderr, "velscan-uhid-bridge: reading /dev/uhid failed: %s\n",
                         n < 0 ? std::strerror(errno) : "end of file");
            return 1;
        }
        if (options.verbose) {
            std::fprintf(stderr, "velscan-uhid-bridge: event %u", event.type);
            if (event.type == UHID_OUTPUT)
                std::fprintf(stderr, ", %u bytes, first %02x", event.u.output.size, event.u.output.data[0]);
            std::fprintf(stderr, "\n");
        }
        switch (event.type) {
            case UHID_OUTPUT: {
                const uhid_output_req &output = event.u.output;
                size_t size = output.size < sizeof output.data ? output.size : sizeof output.data;
                for (const virt::Report &reply : relay.Relay(output.data, size)) {
                    if (!SendInput(fd, reply)) return 1;
                }
                if (options.vanish_after_scans != 0 &&
                    virt::GetCounters().scans >= options.vanish_after_scans) {
                    std::fprintf(stderr, "velscan-uhid-bridge: scan %llu started, removing the device\n",
                                 static_cast<unsigned long long>(virt::GetCounters().scans));
                    return 0;
                }
                break;
            }
            case UHID_GET_REPORT:
            case UHID_SET_REPORT:
                if (!RefuseReportRequest(fd, event)) return 1;
                break;
            default:  // UHID_START, UHID_STOP, UHID_OPEN, UHID_CLOSE: nothing to do
                break;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    Options options;
    CLI::App app{
        "Presents the virtual spectrometer as a USB HID device through /dev/uhid "
        "(vendor 0x3F17, product 0x4E10, serial " VIRT_SERIAL_NUMBER ")."};
    app.add_option("--sample", options.sample, "what lies in front of the window")
        ->check(CLI::IsMember(kSamples));
    app.add_option("--noise-seed", options.noise_seed,
                   "seed of the detector noise (default: the one --virtual uses)");
    app.add_flag("--no-noise", options.no_noise, "switch the detector noise off");
    app.add_option("--fault", options.fault, "fault to commit")->check(CLI::IsMember(kFaults));
    app.add_option("--fault-command", options.fault_command,
                   "16-bit command code the fault hits (default: any)");
    app.add_option("--fault-skip", options.fault_skip, "matching exchanges to let pass first");
    app.add_flag("--fault-persistent", options.fault_persistent, "strike every matching exchange, not once");
    app.add_option("--vanish-after-scans", options.vanish_after_scans,
                   "remove the device right after acknowledging the Nth scan (0: never)");
    app.add_flag("--verbose", options.verbose, "log every uhid event on standard error");
    CLI11_PARSE(app, argc, argv);

    ConfigureInstrument(options);

    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);  // no SA_RESTART: the blocking read returns
    sigaction(SIGINT, &action, nullptr);

    int fd = open("/dev/uhid", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "velscan-uhid-bridge: cannot open /dev/uhid: %s\n", std::strerror(errno));
        return 1;
    }
    int status = CreateDevice(fd) ? Serve(fd, options) : 1;
    DestroyDevice(fd);
    close(fd);
    return status;
}
