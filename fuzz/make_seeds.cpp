// Writes the seed corpora of the fuzz targets: valid images and device
// replies made by the system's own encoders and the virtual spectrometer,
// each prefixed with the control bytes that steer the target to the entry
// point it is meant for.
//
// Usage: fuzz_make_seeds OUTPUT_DIR   (creates OUTPUT_DIR/<target>/...)
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz_input.h"
#include "link_commands.h"
#include "spectral_records.h"
#include "tpl_layout.h"
#include "usb.h"
#include "velspec_helper.h"
#include "virtual_control.h"
#include "virtual_device.h"

namespace fuzz {
namespace {

using Bytes = std::vector<uint8_t>;

std::filesystem::path g_out;

// Writes OUTPUT_DIR/<target>/<name>.
void WriteSeed(const std::string &target, const std::string &name, const Bytes &bytes) {
    std::filesystem::create_directories(g_out / target);
    std::ofstream(g_out / target / name, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Concat(Bytes a, const Bytes &b, const Bytes &c = {}) {
    a.insert(a.end(), b.begin(), b.end());
    a.insert(a.end(), c.begin(), c.end());
    return a;
}

// Packs index 0 of a mapped tpl, frees it and returns its image; the images
// are of formats the engine must take, so a refusal stops the generator.
Bytes PackAndDump(tpl_node *tn) {
    void *addr = nullptr;
    size_t size = 0;
    if (!tn || tpl_pack(tn, 0) != 0 || tpl_dump(tn, TPL_IO_MEMORY, &addr, &size) != 0) std::abort();
    Bytes image(static_cast<uint8_t *>(addr), static_cast<uint8_t *>(addr) + size);
    std::free(addr);
    tpl_free(tn);
    return image;
}

// Images of formats of the tests' own making: arrays, nested arrays,
// strings, binaries, repeated records, consecutive '#'. Variables are laid
// out as the fuzz target lays them out; each array gets two elements, the
// first holding two of each array nested in it.
std::vector<Bytes> OwnFormatImages() {
    const struct {
        const char *format;
        std::vector<uint32_t> counts;
    } formats[] = {
        {"S(iv)#", {2}},         {"A(is)", {}},    {"A(iA(c))", {}}, {"c##", {2, 3}},      {"sB", {}},
        {"A(S(cf$(ic)s)B)", {}}, {"IUfjvs#", {2}}, {"A(A(v))", {}},  {"S(c$(ic)c)#", {3}},
    };
    std::vector<Bytes> images;
    for (const auto &f : formats) {
        FormatVariables vars;
        if (!vars.Build(f.format, f.counts, 1 << 12)) std::abort();
        tpl_node *tn = vars.Map();
        for (int i = vars.ArrayCount(); i >= 1; --i)
            if (!tn || tpl_pack(tn, i) != 0 || tpl_pack(tn, i) != 0) std::abort();
        images.push_back(PackAndDump(tn));
    }
    // Strings and a binary with content.
    char *s = const_cast<char *>("hello");
    char payload[5] = {9, 8, 7, 6, 5};
    tpl_binary bin = {payload, sizeof payload};
    images.push_back(PackAndDump(tpl_map("sB", &s, &bin)));
    return images;
}

void TplSeeds() {
    for (int type = 0; type < REC_NUM_TYPES; ++type) {
        // A patterned record of each type.
        std::vector<unsigned char> record(kRecordRoom);
        for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<unsigned char>(type * 17 + i);
        Bytes image = PackAndDump(map_data_to_tplnode(record.data(), type));
        std::string name = "record" + std::to_string(type);
        WriteSeed("tpl", name, Concat({0, static_cast<uint8_t>(type), 0}, image));
        WriteSeed("tpl", name + "_trailing",
                  Concat({0, static_cast<uint8_t>(type), 1}, image, {0x74, 0x70, 0x6c, 0}));
        WriteSeed("tpl", name + "_peek", Concat({2, 0}, image));
        WriteSeed("tpl", name + "_datapeek", Concat({2, 2, 2, 2, 0, 4}, image));
    }
    std::vector<Bytes> images = OwnFormatImages();
    for (size_t n = 0; n < images.size(); ++n) {
        std::string name = "own" + std::to_string(n);
        WriteSeed("tpl", name, Concat({1, 0}, images[n]));
        WriteSeed("tpl", name + "_trailing", Concat({1, 1}, images[n], {1, 2, 3}));
        WriteSeed("tpl", name + "_fxlens", Concat({2, 1}, images[n]));
        WriteSeed("tpl", name + "_datapeek_s", Concat({2, 2, 1, 1, 3}, images[n]));
    }
    // Gather: three images back to back, cut into 64-byte chunks, then the
    // same stream cut unevenly.
    Bytes stream = Concat(images[0], images[1], images.back());
    for (int even = 0; even < 2; ++even) {
        Bytes seed = {3, 0};
        size_t pos = 0, k = 0;
        while (pos < stream.size()) {
            size_t chunk = even ? 64 : 1 + (k++ * 23) % 64;
            if (chunk > stream.size() - pos) chunk = stream.size() - pos;
            seed.push_back(static_cast<uint8_t>(chunk - 1));
            seed.insert(seed.end(), stream.begin() + static_cast<long>(pos),
                        stream.begin() + static_cast<long>(pos + chunk));
            pos += chunk;
        }
        WriteSeed("tpl", even ? "gather_even" : "gather_uneven", seed);
    }
}

// Scan images of every type, configuration and calibration images, and the
// virtual spectrometer's stored reference and matrix.
void SpectralSeeds() {
    std::vector<Bytes> scans = ScanImages();
    for (size_t n = 0; n < scans.size(); ++n)
        WriteSeed("spectral", "interpret" + std::to_string(n), Concat({0}, scans[n]));

    virt::Reset();
    Bytes ref = virt::FileImage(2);
    Bytes matrix = virt::FileImage(3);
    WriteSeed("spectral", "interpret_reference", Concat({0}, ref));
    for (uint8_t which = 0; which < scans.size(); ++which) {
        Bytes seed = {3, which, static_cast<uint8_t>(ref.size() & 0xFF),
                      static_cast<uint8_t>(ref.size() >> 8)};
        WriteSeed("spectral", "reference" + std::to_string(which), Concat(seed, ref, matrix));
    }

    // A column scan of 900..1700 nm, 6 px wide, 228 patterns, 6 repeats.
    scanCfg single = {0, 0, "", "", 900, 1700, 6, 228, 6};
    Bytes image(VELSPEC_IMG_SIZE_SCAN_CFG);
    if (velspec_scan_write_configuration(&single, image.data(), image.size()) == 0)
        WriteSeed("spectral", "config_single", Concat({1}, image));

    // One repeat of a column and a Hadamard section.
    slewScanCfg slew = {2, 0, "", "", 1, 2, {{0, 6, 950, 1300, 100, 0}, {1, 8, 1300, 1650, 80, 3}}};
    image.assign(VELSPEC_IMG_SIZE_SLEW_CFG, 0);
    if (velspec_scan_write_configuration(&slew, image.data(), image.size()) == 0)
        WriteSeed("spectral", "config_slew", Concat({1}, image));

    calibCoeffSet coeffs = {{0.5, 0.001, 0.0}, {1720.0, -0.97, 0.00002}};
    image.assign(VELSPEC_IMG_SIZE_CALIB_COEFFS, 0);
    if (velspec_calib_write_data(&coeffs, image.data(), image.size()) == 0)
        WriteSeed("spectral", "calib", Concat({2}, image));
}

USB_HidBackend g_virtual;
Bytes *g_replies = nullptr;

// Passes every read to the instrument and writes what it returned in the
// link target's input format (see link_fuzz.cpp): a control byte, then a
// 64-byte report.
int RecordingRead(hid_device *device, unsigned char *data, size_t length, int timeout_ms) {
    int rc = g_virtual.read_timeout(device, data, length, timeout_ms);
    if (timeout_ms == 0 || !g_replies) return rc;
    g_replies->push_back(rc < 0 ? 1 : rc == 0 ? 0 : 2);
    if (rc > 0) {
        g_replies->insert(g_replies->end(), data, data + rc);
        g_replies->resize(g_replies->size() + static_cast<size_t>(USB_REPORT_SIZE - rc), 0);
    }
    return rc;
}

struct Step {
    uint8_t command;
    uint8_t options;
    Bytes args;
};

// Runs the steps of the link command table against a freshly reset
// instrument and returns the input that replays them.
Bytes Record(const std::vector<Step> &steps, const virt::FaultSpec *fault = nullptr) {
    virt::Reset();
    if (fault) virt::InjectFault(*fault);
    g_virtual = *VIRT_Backend();
    USB_HidBackend recording = g_virtual;
    recording.read_timeout = RecordingRead;
    USB_SetHidBackend(&recording);
    USB_SetSleepFunction(NoSleep);
    USB_Enumerate();
    USB_Open(0);
    Bytes seed;
    for (const Step &step : steps) {
        Bytes args = Concat(step.args, Bytes(16, 0));
        ByteCursor in(args.data(), args.size());
        Outputs outputs;
        Bytes replies;
        g_replies = &replies;
        ZOR_SetUARTConnected((step.options & 2) ? 1 : 0);
        LinkCommands()[step.command](in, outputs);
        g_replies = nullptr;
        args.resize(in.consumed());
        seed = Concat(seed, Concat({step.command, step.options}, args), replies);
    }
    ZOR_SetUARTConnected(0);
    USB_Close(0);
    USB_SetHidBackend(nullptr);
    USB_SetSleepFunction(nullptr);
    return seed;
}

// Each command of the table on its own, and whole file transfers.
void LinkSeeds() {
    for (size_t k = 0; k < LinkCommands().size(); ++k)
        WriteSeed("link", "command" + std::to_string(k), Record({{static_cast<uint8_t>(k), 0, {}}}));

    const uint8_t kFileTypes[] = {0, 2, 3};
    for (uint8_t file_type : kFileTypes) {
        // A scan first, so that the last-scan file exists; the instrument is
        // deterministic after a reset, so its size is known beforehand.
        const Step scan = {kLinkPerformScan, 0, {0}};
        Record({scan});
        size_t size = virt::FileImage(file_type).size();
        std::vector<Step> transfer = {
            scan,
            {kLinkGetFileSizeToRead, 0, {file_type, 0, 0, 0}},
            {kLinkGetFile, 0, {static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)}}};
        WriteSeed("link", "file" + std::to_string(file_type), Record(transfer));

        // The same over the serial link: pieces carry two extra bytes.
        virt::FaultSpec serial = {
            .fault = virt::Fault::SerialLinkPieces, .command = 0x002e, .persistent = true};
        for (Step &step : transfer) step.options = 2;
        WriteSeed("link", "file" + std::to_string(file_type) + "_serial", Record(transfer, &serial));
    }
}

// Sessions that visit every menu item, with their number prompts answered,
// and a few with an armed instrument fault.
void ConsoleSeeds() {
    // As typed, ';' standing for Enter.
    const std::string sessions[] = {
        "1;2;3;q;", "4;q;",  "5;1;5;0;6;1;7;0;q;", "8;9;8;4;9;3;q;",        "a;b;c;d;e;q;",
        "9a;q;",    "5;1q;", "1 2 3 4 q",          "8;-5;9;99999999999;q;", "Q;A;z;q;",
        ""};
    // Faults (kind in the low bits of the first byte, exchanges to let pass
    // in the second) against a scan, a reference and device-state items.
    const uint8_t faults[][2] = {{0x80, 3}, {0x84, 6}, {0x85, 6}, {0x86, 2}, {0x87, 7}, {0x89, 4}};
    auto typed = [](std::string text) {
        std::replace(text.begin(), text.end(), ';', '\n');
        return Bytes(text.begin(), text.end());
    };
    int n = 0;
    for (const std::string &session : sessions)
        WriteSeed("console", "session" + std::to_string(n++), typed(session));
    for (const auto &fault : faults)
        WriteSeed("console", "fault" + std::to_string(n++), Concat({fault[0], fault[1]}, typed("1;4;b;q;")));
}

}  // namespace
}  // namespace fuzz

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    fuzz::g_out = argv[1];
    // Recording replies runs the command layer, which prints decoder
    // diagnostics; none of them concern the seeds.
    tpl_hook.report_error = fuzz::Quiet;
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    fuzz::TplSeeds();
    fuzz::SpectralSeeds();
    fuzz::LinkSeeds();
    fuzz::ConsoleSeeds();
    return 0;
}
