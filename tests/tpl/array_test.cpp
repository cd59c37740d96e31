// Variable-length arrays: element cursors, nested arrays, unpacking what
// was just packed, and contents dropped between pack and load.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(TplArray, CursorCountsDownAfterLoadAndPackingStartsFresh) {
    int32_t i = 7;
    TplHandle w(tpl_map("A(i)", &i));
    CapturedReports reports;
    EXPECT_EQ(tpl_unpack(w.tn, 0), -1);
    EXPECT_EQ(i, 7);
    EXPECT_EQ(reports.Take(), "tpl_unpack: nothing packed or loaded\n");
    for (i = 4; i <= 6; i++) tpl_pack(w.tn, 1);
    EXPECT_EQ(tpl_Alen(w.tn, 1), 3);
    const Bytes image = DumpBytes(w.tn);

    TplHandle r(tpl_map("A(i)", &i));
    ASSERT_EQ(LoadBytes(r.tn, image), 0);
    EXPECT_EQ(tpl_Alen(r.tn, 1), 3);
    for (int left : {3, 2, 1}) {
        ASSERT_EQ(tpl_unpack(r.tn, 1), left);
        EXPECT_EQ(i, 7 - left);  // 4, 5, 6 in packing order
    }
    EXPECT_EQ(tpl_unpack(r.tn, 1), 0);
    // Unpacking the top level starts the array over.
    ASSERT_EQ(tpl_unpack(r.tn, 0), 1);
    EXPECT_EQ(tpl_Alen(r.tn, 1), 3);
    // Packing drops the loaded content.
    i = 9;
    tpl_pack(r.tn, 1);
    EXPECT_EQ(tpl_Alen(r.tn, 1), 1);
    EXPECT_EQ(DumpBytes(r.tn), ImageBuilder().Header(0, "A(i)").U32(1).U32(9).Finish());
}

TEST(TplArray, NestedArrayCountsStandInTheirElements) {
    int32_t i = 0;
    uint8_t c = 0;
    TplHandle w(tpl_map("A(iA(c))", &i, &c));
    const std::vector<std::string> inner = {"xy", "", "z"};
    for (size_t e = 0; e < inner.size(); e++) {
        for (char ch : inner[e]) {
            c = static_cast<uint8_t>(ch);
            tpl_pack(w.tn, 2);
        }
        i = static_cast<int32_t>(e * 10);
        tpl_pack(w.tn, 1);
    }
    const Bytes image = DumpBytes(w.tn);
    ImageBuilder b;
    b.Header(0, "A(iA(c))").U32(3).U32(0).U32(2).Raw("xy").U32(10).U32(0).U32(20).U32(1).Raw("z");
    ASSERT_EQ(image, b.Finish());

    TplHandle r(tpl_map("A(iA(c))", &i, &c));
    ASSERT_EQ(LoadBytes(r.tn, image), 0);
    EXPECT_EQ(tpl_unpack(r.tn, 2), 0);
    for (size_t e = 0; e < inner.size(); e++) {
        ASSERT_GT(tpl_unpack(r.tn, 1), 0);
        EXPECT_EQ(i, static_cast<int32_t>(e * 10));
        std::string got;
        while (tpl_unpack(r.tn, 2) > 0) got += static_cast<char>(c);
        EXPECT_EQ(got, inner[e]);
    }
    EXPECT_EQ(tpl_unpack(r.tn, 1), 0);
}

TEST(TplArray, UnpackOfAPackedTplReturnsWhatWasPacked) {
    int32_t top = 42;
    char *name = nullptr;
    tpl_binary blob{nullptr, 0};
    TplHandle t(tpl_map("iA(sB)", &top, &name, &blob));
    tpl_pack(t.tn, 0);
    char text[] = "first";
    uint8_t bytes[] = {9, 8, 7};
    name = text;
    blob = tpl_binary{bytes, 3};
    tpl_pack(t.tn, 1);
    name = nullptr;
    blob = tpl_binary{nullptr, 0};
    tpl_pack(t.tn, 1);
    // The engine holds copies: changing the variables now has no effect.
    text[0] = 'X';
    bytes[0] = 0;
    top = 0;

    ASSERT_EQ(tpl_unpack(t.tn, 0), 1);
    EXPECT_EQ(top, 42);
    ASSERT_EQ(tpl_unpack(t.tn, 1), 2);
    EXPECT_EQ(Own(name), "first");
    EXPECT_EQ(BytesAt(blob.addr, blob.sz), (Bytes{9, 8, 7}));
    free(blob.addr);
    ASSERT_EQ(tpl_unpack(t.tn, 1), 1);
    EXPECT_EQ(std::tie(name, blob.addr, blob.sz), std::make_tuple(nullptr, nullptr, 0u));
    // A loaded tpl refuses to dump.
    CapturedReports reports;
    EXPECT_EQ(DumpBytes(t.tn), Bytes{});
    EXPECT_EQ(reports.Take(), "error: tpl_dump called for a loaded tpl\n");
}

}  // namespace
