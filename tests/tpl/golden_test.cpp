// Images byte for byte: what the engine writes, and the same values read
// back from images of either byte order.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

namespace {

// Every scalar kind, a fixed-length array, null and other strings, a binary and, after
// them, an array of repeated records at the top level, as one hand-built
// image. Repeated records interleave their fields without padding.
struct AllKinds {
    uint8_t c;
    int16_t j;
    uint16_t v;
    int32_t i;
    uint32_t u;
    double f;
    int64_t I;
    uint64_t U;
    char *strs[3];
    uint8_t fixed[2][3];
    tpl_binary bin;
    struct {
        int32_t i;
        uint16_t v;
    } recs[2];
};

constexpr char kAllKinds[] = "cjviufIUs#c##BA(S(iv)#)";

tpl_node *MapAllKinds(AllKinds &k) {
    return tpl_map(kAllKinds, &k.c, &k.j, &k.v, &k.i, &k.u, &k.f, &k.I, &k.U, k.strs, 3, k.fixed, 2, 3,
                   &k.bin, k.recs, 2);
}

Bytes AllKindsImage(bool big) {
    ImageBuilder b(big);
    b.Header(TPL_IMG_NULLABLE_STRINGS | (big ? TPL_IMG_BIG_ENDIAN : 0), kAllKinds);
    b.U32(3).U32(2).U32(3).U32(2);  // fixed lengths
    b.U8(0x7f).U16(0xfffe).U16(0xbeef).U32(0xfffffff9).U32(0xdeadbeef).F64(-2.5);
    b.U64(0x8000000000000001ull).U64(0x0102030405060708ull);
    b.U32(0).U32(1).U32(4).Raw("xyz");  // null, then "" with no bytes
    b.U8(1).U8(2).U8(3).U8(4).U8(5).U8(6);
    b.U32(3).Raw("\x01\x02\x03");
    b.U32(2).U32(11).U16(2).U32(0xfffffff4).U16(3).U32(5).U16(6).U32(7).U16(8);  // two elements
    return b.Finish();
}

TEST(TplGolden, EveryKindWrittenAndReadInEitherByteOrder) {
    static uint8_t payload[3] = {1, 2, 3};
    static char empty[] = "", xyz[] = "xyz";
    AllKinds k{};
    std::tie(k.c, k.j, k.v, k.i, k.u, k.f, k.I, k.U) =
        std::make_tuple(0x7f, -2, 0xbeef, -7, 0xdeadbeef, -2.5, INT64_MIN + 1, 0x0102030405060708ull);
    k.strs[1] = empty;  // strs[0] stays null
    k.strs[2] = xyz;
    std::memcpy(k.fixed, "\1\2\3\4\5\6", 6);
    k.bin = {payload, 3};
    TplHandle t(MapAllKinds(k));
    ASSERT_NE(t.tn, nullptr);
    ASSERT_EQ(tpl_pack(t.tn, 0), 0);
    k.recs[0] = {11, 2};
    k.recs[1] = {-12, 3};
    ASSERT_EQ(tpl_pack(t.tn, 1), 0);
    k.recs[0] = {5, 6};
    k.recs[1] = {7, 8};
    ASSERT_EQ(tpl_pack(t.tn, 1), 0);
    EXPECT_EQ(DumpBytes(t.tn), AllKindsImage(false));
    // Read from either byte order, the values pack into the same image again.
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "big-endian image" : "little-endian image");
        k = AllKinds{};
        TplHandle r(MapAllKinds(k)), w(MapAllKinds(k));
        const Bytes image = AllKindsImage(big);  // must outlive the unpacking
        ASSERT_EQ(LoadBytes(r.tn, image), 0);
        // The array's elements are reachable before the top level is unpacked.
        while (tpl_unpack(r.tn, 1) > 0) tpl_pack(w.tn, 1);
        ASSERT_EQ(tpl_unpack(r.tn, 0), 1);
        tpl_pack(w.tn, 0);
        EXPECT_EQ(DumpBytes(w.tn), AllKindsImage(false));
        for (char *s : k.strs) free(s);
        free(k.bin.addr);
    }
}

// Without the nullable flag, lengths count text only and 0 is empty.
TEST(TplGolden, LegacyStringsHaveNoNull) {
    char *out[3] = {};
    TplHandle t(tpl_map("s#", out, 3));
    const Bytes image =
        ImageBuilder().Header(0, "s#").U32(3).U32(0).U32(2).Raw("hi").U32(1).Raw("z").Finish();
    ASSERT_EQ(LoadBytes(t.tn, image), 0);
    ASSERT_EQ(tpl_unpack(t.tn, 0), 1);
    EXPECT_EQ(std::make_tuple(Own(out[0]), Own(out[1]), Own(out[2])), std::make_tuple("", "hi", "z"));
}

TEST(TplGolden, InPlaceDecodeIntoTheImageBuffer) {
    // The record lies at the start of the buffer that holds its image.
    struct Rec {
        uint8_t kind;
        int32_t values[4];
        double scale;
    };
    ImageBuilder image;
    image.Header(0, "S(ci#f)").U32(4).U8(2).U32(10).U32(20).U32(30).U32(40).F64(0.5);
    alignas(8) uint8_t buffer[128] = {};
    std::memcpy(buffer, image.Finish().data(), image.bytes().size());
    auto *rec = reinterpret_cast<Rec *>(buffer);
    TplHandle t(tpl_map("S(ci#f)", rec, 4));
    ASSERT_EQ(tpl_load(t.tn, TPL_IO_MEMORY | TPL_IO_TRAILING_OK, buffer, sizeof buffer), 0);
    ASSERT_EQ(tpl_unpack(t.tn, 0), 1);
    EXPECT_EQ(std::tie(rec->kind, rec->values[0], rec->values[3], rec->scale),
              std::make_tuple(2, 10, 40, 0.5));
}

}  // namespace
