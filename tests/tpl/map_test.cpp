// Parsing: field offsets and strides, grammar refusals, size overflow, and
// the fatal paths.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

namespace {

TEST(TplMap, FieldOffsetsAndStridesFollowNaturalAlignment) {
    struct Case {
        const char *fmt;
        std::vector<ptrdiff_t> offsets;
        size_t stride;
    };
    const Case cases[] = {
        {"S(cf)#", {0, 8}, 16}, {"S(vc)#", {0, 2}, 4},       {"S(c$(ic)c)#", {0, 4, 8, 9}, 12},
        {"S(sc)#", {0, 8}, 16}, {"S(jIc)#", {0, 8, 16}, 24}, {"S(c#i)#", {0, 4}, 8},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fmt);
        // Counts in format order; with a single # the second is unused.
        TplHandle t(tpl_map(c.fmt, scratch, 3, 2));
        ASSERT_NE(t.tn, nullptr);
        std::vector<ptrdiff_t> offsets;
        for (tpl_node *f = t.tn->first_child; f; f = f->next_sibling) {
            if (f->kind != TPL_TYPE_POUND) offsets.push_back(static_cast<char *>(f->target) - scratch);
        }
        EXPECT_EQ(offsets, c.offsets);
        tpl_node *last = t.tn->first_child->prev_sibling;
        ASSERT_EQ(last->kind, TPL_TYPE_POUND);
        EXPECT_EQ(static_cast<tpl_repeat_record *>(last->buffer)->stride, c.stride);
    }
}

TEST(TplMap, FormatsOutsideTheGrammarFailToParse) {
    // The last row: not given a meaning by the grammar; refused rather than mis-walked.
    const char *bad[] = {"S(iA(i))", "S(iB)", "$(i)",  "S()",       "A()", "Si",      "A$(i)",
                         "S(i))",    "S(i",   "(i)",   "i#)",       "#",   "S(S(i))", "S",
                         "A",        "iS",    "A(i)#", "S(i$(c)#)", "B#",  "S(i)$",   "iS(#i)"};
    for (const char *fmt : bad) {
        SCOPED_TRACE(fmt);
        CapturedReports reports;
        // Spare arguments: more than any of these formats could consume.
        EXPECT_EQ(TplHandle(tpl_map(fmt, scratch, 2, scratch, 2, scratch, scratch)).tn, nullptr);
        EXPECT_EQ(reports.Take(), std::string("failed to parse ") + fmt + "\n");
    }
    CapturedReports reports;
    EXPECT_EQ(tpl_map("iq", scratch), nullptr);
    EXPECT_EQ(reports.Take(), "unsupported option q\nfailed to parse iq\n");
}

TEST(TplMap, CountsAndSizesAtTheirLimits) {
    TplHandle t(tpl_map("c##########", scratch, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2));  // ten counts in a run
    ASSERT_NE(t.tn, nullptr);
    EXPECT_EQ(t.tn->first_child->count, 1024u);
    uint32_t n = 0;
    tpl_fxlens(t.tn, &n);
    EXPECT_EQ(n, 10u);
    CapturedReports reports;
    // Product of counts beyond 32 bits; bytes of one node beyond 32 bits;
    // records whose total span exceeds 32 bits.
    EXPECT_EQ(tpl_map("c##", scratch, 65536, 65536), nullptr);
    EXPECT_EQ(tpl_map("f##", scratch, 65536, 16384), nullptr);
    EXPECT_EQ(tpl_map("S(f)#", scratch, 1 << 30), nullptr);
    EXPECT_EQ(reports.Take(), "failed to parse c##\nfailed to parse f##\nfailed to parse S(f)#\n");
}

TEST(TplMap, IndexesNameArraysInFormatOrder) {
    int32_t i = 0;
    uint8_t c = 0;
    TplHandle t(tpl_map("A(iA(c))A(i)", &i, &c, &i));
    CapturedReports reports;
    EXPECT_EQ(tpl_Alen(t.tn, 0), -1);
    EXPECT_EQ(tpl_Alen(t.tn, 3), 0);
    EXPECT_EQ(tpl_Alen(t.tn, 4), -1);
    EXPECT_EQ(tpl_pack(t.tn, 4), -1);
    EXPECT_EQ(tpl_pack(t.tn, -1), -1);
    EXPECT_EQ(reports.Take(),
              "invalid index 4 to tpl_unpack\ninvalid index 4 to tpl_pack\ninvalid index -1 to tpl_pack\n");
}

using TplMapDeathTest = ::testing::Test;

TEST_F(TplMapDeathTest, FatalConditionsEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(tpl_map("c#", scratch, 0), ::testing::ExitedWithCode(255), "non-positive iteration count 0");
    EXPECT_EXIT(tpl_map("c###########", scratch, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2),
                ::testing::ExitedWithCode(255), "contiguous # exceeds hardcoded limit");
    EXPECT_EXIT(tpl_gather(7), ::testing::ExitedWithCode(255), "unsupported tpl_gather mode 7");
    EXPECT_EXIT(tpl_jot(0, "i", scratch), ::testing::ExitedWithCode(255), "invalid tpl_jot mode");
    EXPECT_EXIT(
        {
            tpl_hook.allocate = [](size_t) -> void * { return nullptr; };
            tpl_map("i", scratch);
        },
        ::testing::ExitedWithCode(255), "out of memory");
}

}  // namespace
