// Fuzz target for the serialization engine.
//
// The first input byte picks an entry point; the rest is the image or the
// stream, always held in an exact-size heap block so that any read past its
// end is reported:
//   0: one of the spectral library's eight record mappings: load (with or
//      without trailing bytes allowed), unpack, and for a canonical image
//      check that packing the decoded record again gives the same bytes;
//   1: the format string carried by the image itself (any format of the
//      grammar): map variables for it, load, unpack every index;
//   2: tpl_peek in its three modes;
//   3: tpl_gather in memory mode over the input cut into chunks.
#include <cstdarg>
#include <string>

#include "fuzz_input.h"
#include "tpl_layout.h"
#include "velspec_helper.h"

namespace {

[[noreturn]] void FatalIsAFinding(const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::vfprintf(stderr, fmt, ap);
    va_end(ap);
    std::abort();
}

void FuzzRecord(fuzz::ByteCursor &in) {
    const int type = in.Byte() % REC_NUM_TYPES;
    bool trailing_ok = in.Byte() & 1;
    fuzz::ExactCopy image(in.Rest());
    std::vector<unsigned char> record(fuzz::kRecordRoom);

    tpl_node *tn = map_data_to_tplnode(record.data(), type);
    if (!tn) std::abort();  // the library's own formats always map
    int mode = TPL_IO_MEMORY | (trailing_ok ? TPL_IO_TRAILING_OK : 0);
    int loaded = tpl_load(tn, mode, image.data(), image.size());
    if (loaded == 0 && tpl_unpack(tn, 0) != 1) std::abort();
    tpl_free(tn);
    if (loaded != 0) return;

    // A canonical image (little-endian, exact length) is what a writer makes
    // from the decoded record: packing it again must reproduce every byte.
    const uint8_t *p = image.data();
    if (p[3] != 0 || (p[4] | (p[5] << 8) | (p[6] << 16) | (uint32_t{p[7]} << 24)) != image.size()) return;
    tn = map_data_to_tplnode(record.data(), type);
    size_t encoded_size = 0;
    if (tpl_pack(tn, 0) != 0 || tpl_dump(tn, TPL_IO_SIZE_ONLY, &encoded_size) != 0) std::abort();
    if (encoded_size != image.size()) {
        // Trailing bytes counted in the stored length: not a canonical image.
        tpl_free(tn);
        return;
    }
    std::vector<unsigned char> again(image.size());
    if (tpl_pack(tn, 0) != 0 ||
        tpl_dump(tn, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, again.data(), again.size()) != 0 ||
        std::memcmp(again.data(), image.data(), image.size()) != 0) {
        fuzz::Fail("decoded record does not re-encode to the same image");
    }
    tpl_free(tn);
}

// Unpacks every element of an array, and of the arrays nested in it.
void UnpackArray(tpl_node *tn, fuzz::FormatVariables &vars, int index, int *budget) {
    while (*budget > 0 && tpl_unpack(tn, index) > 0) {
        --*budget;
        vars.ReleaseUnpacked();
        for (int inner = index + 1; inner <= vars.ArrayCount(); ++inner)
            if (vars.ParentArray(inner) == index) UnpackArray(tn, vars, inner, budget);
    }
}

void FuzzOwnFormat(fuzz::ByteCursor &in) {
    bool trailing_ok = in.Byte() & 1;
    fuzz::ExactCopy image(in.Rest());

    // The image names its own format and fixed lengths.
    uint32_t num_counts = 0;
    uint32_t *counts = nullptr;
    char *format = tpl_peek(TPL_IO_MEMORY | TPL_FXLENS, image.data(), image.size(), &num_counts, &counts);
    if (!format) return;
    std::vector<uint32_t> count_list(counts, counts + num_counts);
    std::string fmt(format);
    std::free(format);
    std::free(counts);
    if (fmt.size() > 64) return;

    fuzz::FormatVariables vars;
    if (!vars.Build(fmt, count_list, 1 << 16)) return;
    tpl_node *tn = vars.Map();
    if (!tn) fuzz::Fail(("format of the grammar refused: " + fmt).c_str());
    int mode = TPL_IO_MEMORY | (trailing_ok ? TPL_IO_TRAILING_OK : 0);
    if (tpl_load(tn, mode, image.data(), image.size()) == 0) {
        for (int i = 1; i <= vars.ArrayCount(); ++i) tpl_Alen(tn, i);
        if (tpl_unpack(tn, 0) != 1) std::abort();
        vars.ReleaseUnpacked();
        int budget = 4096;
        for (int i = 1; i <= vars.ArrayCount(); ++i)
            if (vars.ParentArray(i) == 0) UnpackArray(tn, vars, i, &budget);
    }
    tpl_free(tn);
}

void FuzzPeek(fuzz::ByteCursor &in) {
    int which = in.Byte() % 3;
    std::string datapeek;
    if (which == 2) {
        size_t n = 1 + in.Byte() % 3;
        static const char kChars[] = "iucsfIUjvx";
        for (size_t i = 0; i < n; ++i) datapeek += kChars[in.Byte() % (sizeof kChars - 1)];
    }
    fuzz::ExactCopy image(in.Rest());

    char *format = nullptr;
    if (which == 0) {
        format = tpl_peek(TPL_IO_MEMORY, image.data(), image.size());
    } else if (which == 1) {
        uint32_t num = 0;
        uint32_t *lens = nullptr;
        format = tpl_peek(TPL_IO_MEMORY | TPL_FXLENS, image.data(), image.size(), &num, &lens);
        for (uint32_t i = 0; i < num; ++i) (void)*(volatile uint32_t *)&lens[i];
        std::free(lens);
    } else {
        // One 8-byte destination per data-peek character.
        uint64_t dest[3] = {0, 0, 0};
        format = tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, image.data(), image.size(), datapeek.c_str(),
                          &dest[0], &dest[1], &dest[2]);
        if (format)
            for (size_t i = 0; i < datapeek.size(); ++i)
                if (datapeek[i] == 's') std::free(reinterpret_cast<char *>(dest[i]));
    }
    if (format) (void)std::strlen(format);
    std::free(format);
}

// data: the images left before the callback asks to stop (never, below 0).
int OnImage(void *img, uint32_t len, void *data) {
    const auto *bytes = static_cast<const unsigned char *>(img);
    // A handed-over image starts with the magic and lies wholly in memory.
    if (len < 8 || std::memcmp(bytes, "tpl", 3) != 0) std::abort();
    (void)*(volatile const unsigned char *)&bytes[len - 1];
    return --*static_cast<int *>(data) == 0 ? -1 : 0;
}

void FuzzGather(fuzz::ByteCursor &in) {
    uint8_t control = in.Byte();
    int left = (control & 0x80) ? 1 + control % 4 : -1;
    tpl_hook.gather_limit = (control & 0x40) ? 256 : 0;
    tpl_gather_state *state = nullptr;
    while (!in.empty()) {
        fuzz::ExactCopy chunk(in.Take(1 + in.Byte() % 64));
        int rc = tpl_gather(TPL_GATHER_MODE_MEMORY, chunk.data(), chunk.size(), &state, OnImage, &left);
        if (rc < 0) {
            if (state) std::abort();  // a failure leaves no carry-over behind
            break;
        }
    }
    if (state) {
        std::free(state->img);
        std::free(state);
    }
    tpl_hook.gather_limit = 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    tpl_hook.report_error = fuzz::Quiet;
    tpl_hook.fatal_error = FatalIsAFinding;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::ByteCursor in(data, size);
    void (*const kEntries[])(fuzz::ByteCursor &) = {FuzzRecord, FuzzOwnFormat, FuzzPeek, FuzzGather};
    kEntries[in.Byte() % 4](in);
    return 0;
}
