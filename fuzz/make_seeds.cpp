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

#include "record_formats.h"
#include "tpl.h"

#include "seeds.h"

namespace fuzz {

std::filesystem::path g_out;

int quiet(const char *, ...) { return 0; }

void write_seed(const std::string &target, const std::string &name, const Bytes &bytes) {
    std::filesystem::path dir = g_out / target;
    std::filesystem::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
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
    tpl_node *tn = map_record(kRecordFormats[type], record.data());
    pack(tn, 0);
    return dump_and_free(tn);
}

namespace {

// Images of formats of the tests' own making: arrays, nested arrays,
// strings, binaries, repeated records, consecutive '#'.
std::vector<Bytes> own_format_images() {
    std::vector<Bytes> images;
    {
        struct { int32_t i; uint16_t v; } recs[2] = {{1, 2}, {3, 4}};
        tpl_node *tn = tpl_map("S(iv)#", recs, 2);
        pack(tn, 0);
        images.push_back(dump_and_free(tn));
    }
    {
        int32_t i = 0;
        char *s = nullptr;
        tpl_node *tn = tpl_map("A(is)", &i, &s);
        i = 7; s = const_cast<char *>("ab"); pack(tn, 1);
        i = -1; s = nullptr; pack(tn, 1);
        images.push_back(dump_and_free(tn));
    }
    {
        int32_t i = 0;
        char c = 0;
        tpl_node *tn = tpl_map("A(iA(c))", &i, &c);
        for (int outer = 0; outer < 3; ++outer) {
            for (int inner = 0; inner < outer; ++inner) { c = static_cast<char>('a' + inner); pack(tn, 2); }
            i = outer;
            pack(tn, 1);
        }
        images.push_back(dump_and_free(tn));
    }
    {
        char cs[6] = {1, 2, 3, 4, 5, 6};
        tpl_node *tn = tpl_map("c##", cs, 2, 3);
        pack(tn, 0);
        images.push_back(dump_and_free(tn));
    }
    {
        char *s = const_cast<char *>("hello");
        char payload[5] = {9, 8, 7, 6, 5};
        tpl_binary bin = {payload, sizeof payload};
        tpl_node *tn = tpl_map("sB", &s, &bin);
        pack(tn, 0);
        images.push_back(dump_and_free(tn));
    }
    {
        struct { char c; double f; int32_t i; char d; char *s; } rec = {'x', 2.5, 3, 'y', nullptr};
        char blob[3] = {1, 2, 3};
        tpl_binary bin = {blob, sizeof blob};
        tpl_node *tn = tpl_map("A(S(cf$(ic)s)B)", &rec, &bin);
        rec.s = const_cast<char *>("rec");
        pack(tn, 1);
        rec.s = nullptr;
        pack(tn, 1);
        images.push_back(dump_and_free(tn));
    }
    {
        int64_t big = -5;
        uint64_t ubig = 5;
        double f = 1.5;
        int16_t j = -2;
        uint16_t v = 2;
        char *strs[2] = {const_cast<char *>(""), const_cast<char *>("xyz")};
        tpl_node *tn = tpl_map("IUfjvs#", &big, &ubig, &f, &j, &v, strs, 2);
        pack(tn, 0);
        images.push_back(dump_and_free(tn));
    }
    {
        uint16_t v = 0;
        tpl_node *tn = tpl_map("A(A(v))", &v);
        for (int outer = 0; outer < 2; ++outer) {
            for (int inner = 0; inner < 3; ++inner) { v = static_cast<uint16_t>(inner); pack(tn, 2); }
            pack(tn, 1);
        }
        images.push_back(dump_and_free(tn));
    }
    {
        struct { char c; int32_t i; char d; char e; } recs[3] = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
        tpl_node *tn = tpl_map("S(c$(ic)c)#", recs, 3);
        pack(tn, 0);
        images.push_back(dump_and_free(tn));
    }
    return images;
}

void tpl_seeds() {
    for (int type = 0; type < 8; ++type) {
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
    stream = concat(stream, images[4]);
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

} // namespace
} // namespace fuzz

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
