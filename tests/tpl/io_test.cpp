// Writing and reading whole images: caller buffers, size only, files and
// descriptors in a temporary folder, peeking and the one-call dump.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace {

struct Sample {
    int32_t id;
    double gain;
    char *name;
};

tpl_node *MapSample(Sample &s) { return tpl_map("S(ifs)", &s); }

TEST(TplDump, CallerBufferMustHoldTheWholeImage) {
    Sample s{5, 1.25, const_cast<char *>("lamp")};
    TplHandle t(MapSample(s));
    tpl_pack(t.tn, 0);
    size_t size = 0;
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_SIZE_ONLY, &size), 0);
    const Bytes image = DumpBytes(t.tn);
    ASSERT_EQ(size, image.size());

    Bytes buffer(size + 3, 0xaa);
    CapturedReports reports;
    EXPECT_EQ(tpl_dump(t.tn, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, buffer.data(), size - 1), -1);
    EXPECT_EQ(reports.str(), "tpl_dump: buffer too small, need " + std::to_string(size) + " bytes\n");
    EXPECT_EQ(buffer, Bytes(size + 3, 0xaa));
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_MEMORY | TPL_IO_CALLER_BUFFER, buffer.data(), size), 0);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), buffer.begin()));
    EXPECT_EQ(buffer[size], 0xaa);  // bytes after the image untouched

    reports.clear();
    EXPECT_EQ(tpl_dump(t.tn, 0), -1);
    EXPECT_EQ(reports.str(), "unsupported tpl_dump mode 0\n");
}

TEST(TplDump, FileAndDescriptorRoundTrips) {
    TempDir dir;
    Sample s{-3, 2.5, const_cast<char *>("ref")};
    TplHandle t(MapSample(s));
    tpl_pack(t.tn, 0);
    const Bytes image = DumpBytes(t.tn);

    // tpl_jot writes the same image in one call; peek and load it by file.
    const std::string path = dir.file("sample.tpl");
    ASSERT_EQ(tpl_jot(TPL_IO_FILE, path.c_str(), "S(ifs)", &s), 0);
    char *fmt = tpl_peek(TPL_IO_FILE, path.c_str());
    EXPECT_STREQ(fmt, "S(ifs)");
    free(fmt);
    Sample out{};
    TplHandle r(MapSample(out));
    ASSERT_EQ(tpl_load(r.tn, TPL_IO_FILE, path.c_str()), 0);
    ASSERT_EQ(tpl_unpack(r.tn, 0), 1);
    EXPECT_EQ(out.id, -3);
    EXPECT_EQ(out.gain, 2.5);
    EXPECT_STREQ(out.name, "ref");
    free(out.name);

    // Two images through one descriptor, read back one at a time.
    const std::string fd_path = dir.file("stream.tpl");
    int fd = open(fd_path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_DESCRIPTOR, fd), 0);
    s.id = 77;
    tpl_pack(t.tn, 0);
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_DESCRIPTOR, fd), 0);
    ASSERT_EQ(lseek(fd, 0, SEEK_SET), 0);
    for (int32_t expected : {-3, 77}) {
        Sample got{};
        TplHandle rd(MapSample(got));
        ASSERT_EQ(tpl_load(rd.tn, TPL_IO_DESCRIPTOR, fd), 0);
        ASSERT_EQ(tpl_unpack(rd.tn, 0), 1);
        EXPECT_EQ(got.id, expected);
        free(got.name);
    }
    Sample none{};
    TplHandle end(MapSample(none));
    EXPECT_EQ(tpl_load(end.tn, TPL_IO_DESCRIPTOR, fd), -1);
    close(fd);

    s.id = -3;
    void *addr = nullptr;
    size_t size = 0;
    ASSERT_EQ(tpl_jot(TPL_IO_MEMORY, &addr, &size, "S(ifs)", &s), 0);
    EXPECT_EQ(Bytes(static_cast<uint8_t *>(addr), static_cast<uint8_t *>(addr) + size), image);
    free(addr);
    CapturedReports reports;
    EXPECT_EQ(tpl_jot(TPL_IO_MEMORY, &addr, &size, "S(", &s), -1);
}

TEST(TplLoad, AdoptedBufferIsReleasedByFree) {
    int32_t v = 12;
    TplHandle w(tpl_map("i", &v));
    tpl_pack(w.tn, 0);
    void *addr = nullptr;
    size_t size = 0;
    ASSERT_EQ(tpl_dump(w.tn, TPL_IO_MEMORY, &addr, &size), 0);
    int32_t out = 0;
    TplHandle r(tpl_map("i", &out));
    // ASan reports a leak if tpl_free does not release the adopted image.
    ASSERT_EQ(tpl_load(r.tn, TPL_IO_MEMORY | TPL_IO_ADOPT_BUFFER, addr, size), 0);
    ASSERT_EQ(tpl_unpack(r.tn, 0), 1);
    EXPECT_EQ(out, 12);
    CapturedReports reports;
    EXPECT_EQ(tpl_load(r.tn, 0), -1);
    EXPECT_EQ(reports.str(), "unsupported tpl_load mode 0\n");
}

class TplPeek : public ::testing::Test {
protected:
    void SetUp() override {
        int32_t counts[3] = {1, 2, 3};
        struct {
            uint8_t kind;
            char *label;
        } rec{2, const_cast<char *>("cfg")};
        TplHandle r(tpl_map("S(cs)i#", &rec, counts, 3));
        tpl_pack(r.tn, 0);
        image = DumpBytes(r.tn);
    }
    Bytes image;
};

TEST_F(TplPeek, FormatDataAndFixedLengths) {
    char *fmt = tpl_peek(TPL_IO_MEMORY, image.data(), image.size());
    ASSERT_NE(fmt, nullptr);
    EXPECT_STREQ(fmt, "S(cs)i#");
    free(fmt);

    uint8_t first = 0;
    char *label = nullptr;
    fmt = tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, image.data(), image.size(), "cs", &first, &label);
    ASSERT_NE(fmt, nullptr);
    free(fmt);
    EXPECT_EQ(first, 2);
    EXPECT_STREQ(label, "cfg");
    free(label);

    uint32_t n = 99;
    uint32_t *lens = nullptr;
    fmt = tpl_peek(TPL_IO_MEMORY | TPL_FXLENS, image.data(), image.size(), &n, &lens);
    ASSERT_NE(fmt, nullptr);
    free(fmt);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(lens[0], 3u);
    free(lens);
}

TEST_F(TplPeek, RefusalsLeaveDestinationsAlone) {
    CapturedReports reports;
    uint8_t first = 0x55;
    Bytes not_tpl = image;
    not_tpl[0] = 'x';
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY, image.data(), size_t{8}), nullptr);
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY, not_tpl.data(), not_tpl.size()), nullptr);
    EXPECT_EQ(reports.str(), "");  // silent
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, image.data(), image.size(), "i", &first), nullptr);
    EXPECT_EQ(reports.str(), "TPL_DATAPEEK format mismatches tpl iamge\n");
    reports.clear();

    // The string's length points past the end: nothing is stored at all.
    Bytes cut(image.begin(), image.begin() + (image.size() - 14));
    char *label = reinterpret_cast<char *>(0x1);
    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK, cut.data(), cut.size(), "cs", &first, &label), nullptr);
    EXPECT_EQ(reports.str(), "tpl_peek: tpl has insufficient length\n");
    EXPECT_EQ(first, 0x55);
    EXPECT_EQ(label, reinterpret_cast<char *>(0x1));
    reports.clear();

    EXPECT_EQ(tpl_peek(TPL_IO_MEMORY | TPL_DATAPEEK | TPL_FXLENS, image.data(), image.size()), nullptr);
    EXPECT_EQ(reports.str(), "TPL_FXLENS and TPL_DATAPEEK mutually exclusive\n");
}

}  // namespace
