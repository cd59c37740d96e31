// Writes the seed corpora of the fuzz targets: valid images and device
// replies made by the system's own encoders (and, where available, the
// virtual spectrometer), each prefixed with the control bytes that steer the
// target to the entry point it is meant for.
//
// Usage: fuzz_make_seeds OUTPUT_DIR   (creates OUTPUT_DIR/<target>/...)
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "tpl.h"
#include "tpl_layout.h"
#include "velspec_helper.h"

#include "seeds.h"

namespace fuzz {

std::filesystem::path g_out;

int quiet(const char *, ...) { return 0; }

void write_seed(const std::string &target, const std::string &name, const Bytes &bytes) {
    std::filesystem::path dir = g_out / target;
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes concat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Dumps a packed tpl into a new byte vector and frees it.
Bytes dump_and_free(tpl_node *tn) {
    Bytes image;
    void *addr = nullptr;
    size_t size = 0;
    if (tn && tpl_dump(tn, TPL_IO_MEMORY, &addr, &size) == 0) {
        auto *p = static_cast<const uint8_t *>(addr);
        image.assign(p, p + size);
        std::free(addr);
    }
    if (tn) tpl_free(tn);
    return image;
}

// tpl_pack that tolerates a format the engine refused to map.
static void pack(tpl_node *tn, int index) {
    if (tn) tpl_pack(tn, index);
}

Bytes record_image(int type, uint8_t fill) {
    std::vector<unsigned char> record(kRecordRoom);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<unsigned char>(fill + i);
    tpl_node *tn = map_data_to_tplnode(record.data(), type);
    pack(tn, 0);
    return dump_and_free(tn);
}

namespace {

// Images of formats of the tests' own making: arrays, nested arrays,
// strings, binaries, repeated records, consecutive '#'. Variables are laid
// out as the fuzz target lays them out; each array gets two elements, the
// first holding two of each array nested in it.
std::vector<Bytes> own_format_images() {
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
        if (!vars.build(f.format, f.counts, 1 << 12)) std::abort();
        tpl_node *tn = vars.map();
        for (int i = vars.array_count(); i >= 1; --i) {
            pack(tn, i);
            pack(tn, i);
        }
        pack(tn, 0);
        images.push_back(dump_and_free(tn));
    }
    // Strings and a binary with content.
    char *s = const_cast<char *>("hello");
    char payload[5] = {9, 8, 7, 6, 5};
    tpl_binary bin = {payload, sizeof payload};
    tpl_node *tn = tpl_map("sB", &s, &bin);
    pack(tn, 0);
    images.push_back(dump_and_free(tn));
    return images;
}

void tpl_seeds() {
    for (int type = 0; type < REC_NUM_TYPES; ++type) {
        Bytes image = record_image(type, static_cast<uint8_t>(type * 17));
        std::string name = "record" + std::to_string(type);
        write_seed("tpl", name, concat({0, static_cast<uint8_t>(type), 0}, image));
        write_seed("tpl", name + "_trailing",
                   concat(concat({0, static_cast<uint8_t>(type), 1}, image), {0x74, 0x70, 0x6c, 0}));
        write_seed("tpl", name + "_peek", concat({2, 0}, image));
        write_seed("tpl", name + "_datapeek", concat({2, 2, 2, 2, 0, 4}, image));
    }
    std::vector<Bytes> images = own_format_images();
    for (size_t n = 0; n < images.size(); ++n) {
        std::string name = "own" + std::to_string(n);
        write_seed("tpl", name, concat({1, 0}, images[n]));
        write_seed("tpl", name + "_trailing", concat(concat({1, 1}, images[n]), {1, 2, 3}));
        write_seed("tpl", name + "_fxlens", concat({2, 1}, images[n]));
        write_seed("tpl", name + "_datapeek_s", concat({2, 2, 1, 1, 3}, images[n]));
    }
    // Gather: two images back to back, cut into 64-byte chunks, then the same
    // stream cut unevenly.
    Bytes stream = concat(images[0], images[1]);
    stream = concat(stream, images.back());
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
        write_seed("tpl", even ? "gather_even" : "gather_uneven", seed);
    }
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
    tpl_hook.report_error = fuzz::quiet;
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    fuzz::tpl_seeds();
#ifdef VELSCAN_SEEDS_SPECTRAL
    fuzz::spectral_seeds();
#endif
#ifdef VELSCAN_SEEDS_LINK
    fuzz::link_seeds();
#endif
#ifdef VELSCAN_SEEDS_CONSOLE
    fuzz::console_seeds();
#endif
    return 0;
}
