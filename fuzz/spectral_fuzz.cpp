// Fuzz target for the spectral library's decoders: every image comes from
// the input, in an exact-size heap block. The first byte picks the entry:
//   0: velspec_scan_interpret;
//   1: velspec_scan_read_configuration (decodes in place, so the block is
//      exactly the image: the decoder must not write past it);
//   2: velspec_calib_read_data (in place, likewise);
//   3: velspec_scan_interpReference: a reference image and a matrix image
//      from the input, the scan from a valid image the library encoded
//      (chosen by the next byte; a 16-bit length splits the rest).

#include "fuzz_input.h"
#include "spectral_records.h"
#include "tpl.h"
#include "velspec_helper.h"

namespace {

// The encoded scans, interpreted once.
std::vector<std::unique_ptr<scanResults>> g_scans;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    tpl_hook.report_error = fuzz::Quiet;
    // The decoders print diagnostic lines on standard output.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    for (const std::vector<uint8_t> &image : fuzz::ScanImages()) {
        auto results = std::make_unique<scanResults>();
        if (image.empty() || velspec_scan_interpret(image.data(), image.size(), results.get()) != 0)
            fuzz::Fail("a scan the library encoded does not interpret");
        g_scans.push_back(std::move(results));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    fuzz::ByteCursor in(data, size);
    uint8_t entry = in.Byte() % 4;
    auto results = std::make_unique<scanResults>();
    int rc = -1;
    if (entry == 3) {
        const scanResults &scan = *g_scans[in.Byte() % g_scans.size()];
        fuzz::ExactCopy ref(in.Take(in.Number<uint16_t>()));
        fuzz::ExactCopy matrix(in.Rest());
        rc = velspec_scan_interpReference(ref.data(), ref.size(), matrix.data(), matrix.size(), &scan,
                                          results.get());
    } else {
        fuzz::ExactCopy image(in.Rest());
        if (entry == 0) {
            rc = velspec_scan_interpret(image.data(), image.size(), results.get());
        } else if (entry == 1) {
            velspec_scan_read_configuration(image.data(), image.size());
        } else {
            velspec_calib_read_data(image.data(), image.size());
        }
    }
    if (rc == 0 && (results->length < 0 || results->length > SCAN_MAX_ADC))
        fuzz::Fail("result length outside 0..864");
    return 0;
}
