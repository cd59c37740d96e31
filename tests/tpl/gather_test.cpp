// Cutting streams into images: memory chunks split and joined, pipes in
// blocking and non-blocking mode, limits and bad prefixes.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace {

Bytes ImageOf(int32_t value) {
    TplHandle t(tpl_map("i", &value));
    tpl_pack(t.tn, 0);
    return DumpBytes(t.tn);
}

// Records every image handed over; aborts when told to.
struct Collector {
    std::vector<Bytes> images;
    int abort_at = -1;
    static int handle(void *img, uint32_t len, void *data) {
        auto *self = static_cast<Collector *>(data);
        auto *p = static_cast<uint8_t *>(img);
        self->images.emplace_back(p, p + len);
        return static_cast<int>(self->images.size()) - 1 == self->abort_at ? -1 : 0;
    }
};

int GatherMem(Bytes chunk, tpl_gather_state **gs, Collector &c) {
    return tpl_gather(TPL_GATHER_MODE_MEMORY, chunk.data(), chunk.size(), gs, &Collector::handle, &c);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes &p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(TplGather, JoinedAndSplitChunks) {
    const Bytes a = ImageOf(1), b = ImageOf(2);
    tpl_gather_state *gs = nullptr;
    Collector c;
    ASSERT_EQ(GatherMem(Concat({a, b}), &gs, c), 1);
    EXPECT_EQ(c.images, (std::vector<Bytes>{a, b}));
    EXPECT_EQ(gs, nullptr);

    // An image split after 3 bytes, then after 10: delivered once, whole.
    c.images.clear();
    ASSERT_EQ(GatherMem(Bytes(a.begin(), a.begin() + 3), &gs, c), 1);
    ASSERT_NE(gs, nullptr);
    ASSERT_EQ(GatherMem(Bytes(a.begin() + 3, a.begin() + 10), &gs, c), 1);
    EXPECT_TRUE(c.images.empty());
    ASSERT_EQ(GatherMem(Concat({Bytes(a.begin() + 10, a.end()), Bytes(b.begin(), b.begin() + 5)}), &gs, c),
              1);
    EXPECT_EQ(c.images, std::vector<Bytes>{a});
    ASSERT_NE(gs, nullptr);
    EXPECT_EQ(gs->len, 5u);
    ASSERT_EQ(GatherMem(Bytes(b.begin() + 5, b.end()), &gs, c), 1);
    EXPECT_EQ(c.images, (std::vector<Bytes>{a, b}));
    EXPECT_EQ(gs, nullptr);

    // A chunk that starts with other bytes is a bad prefix.
    CapturedReports reports;
    ASSERT_EQ(GatherMem(Bytes(20, 'x'), &gs, c), -3);
    EXPECT_EQ(gs, nullptr);
    EXPECT_EQ(reports.str(), "tpl prefix invalid\n");
}

TEST(TplGather, LimitAbortAndShortStoredLength) {
    CapturedReports reports;
    tpl_gather_state *gs = nullptr;
    Collector c;
    ImageBuilder big;
    big.header(0, "c#").u32(86);
    for (int k = 0; k < 86; k++) big.u8(0);
    Bytes img = big.finish();
    ASSERT_EQ(img.size(), 101u);

    tpl_hook.gather_limit = 100;
    EXPECT_EQ(GatherMem(img, &gs, c), -2);
    EXPECT_EQ(reports.str(), "tpl exceeds max length 100\n");
    EXPECT_TRUE(c.images.empty());
    // Also when the oversized image arrives in pieces.
    reports.clear();
    ASSERT_EQ(GatherMem(Bytes(img.begin(), img.begin() + 50), &gs, c), -2);
    EXPECT_EQ(gs, nullptr);
    tpl_hook.gather_limit = 0;

    reports.clear();
    c.abort_at = 0;
    EXPECT_EQ(GatherMem(Concat({ImageOf(1), ImageOf(2)}), &gs, c), -4);
    EXPECT_EQ(c.images.size(), 1u);
    EXPECT_EQ(reports.str(), "tpl_mem_gather aborted by app callback\n");

    // Stored lengths that could not be stepped over: 0 and 8.
    for (uint32_t len : {0u, 8u}) {
        reports.clear();
        Bytes bad = Concat({ImageBuilder().raw("tpl").u8(0).u32(len).bytes(), ImageOf(3)});
        EXPECT_EQ(GatherMem(bad, &gs, c), -3);
        EXPECT_EQ(gs, nullptr);
        EXPECT_EQ(reports.str(), "tpl prefix invalid\n");
    }
}

class Pipe {
public:
    Pipe() { ok = pipe(fds) == 0; }
    ~Pipe() {
        CloseWrite();
        if (fds[0] >= 0) close(fds[0]);
    }
    void WriteAll(const Bytes &b) {
        ASSERT_EQ(write(fds[1], b.data(), b.size()), static_cast<ssize_t>(b.size()));
    }
    void CloseWrite() {
        if (fds[1] >= 0) close(fds[1]);
        fds[1] = -1;
    }
    int fds[2] = {-1, -1};
    bool ok;
};

TEST(TplGather, BlockingDescriptor) {
    Pipe p;
    ASSERT_TRUE(p.ok);
    const Bytes a = ImageOf(5);
    p.WriteAll(Concat({a, ImageBuilder().raw("tpl").u8(0).u32(4).bytes()}));
    p.CloseWrite();
    void *img = nullptr;
    size_t size = 0;
    ASSERT_EQ(tpl_gather(TPL_GATHER_MODE_FD_BLOCKING, p.fds[0], &img, &size), 1);
    EXPECT_EQ(Bytes(static_cast<uint8_t *>(img), static_cast<uint8_t *>(img) + size), a);
    free(img);
    CapturedReports reports;
    EXPECT_EQ(tpl_gather(TPL_GATHER_MODE_FD_BLOCKING, p.fds[0], &img, &size), -1);
    EXPECT_EQ(reports.str(), "tpl_gather_fd_blocking: non-tpl input\n");
    EXPECT_EQ(tpl_gather(TPL_GATHER_MODE_FD_BLOCKING, p.fds[0], &img, &size), 0);
}

TEST(TplGather, NonBlockingDescriptorCarriesPartialImages) {
    Pipe p;
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(fcntl(p.fds[0], F_SETFL, O_NONBLOCK), 0);
    const Bytes a = ImageOf(1), b = ImageOf(2);
    tpl_gather_state *gs = nullptr;
    Collector c;
    auto gather = [&] {
        return tpl_gather(TPL_GATHER_MODE_FD_NONBLOCKING, p.fds[0], &gs, &Collector::handle, &c);
    };
    p.WriteAll(Concat({a, Bytes(b.begin(), b.begin() + 6)}));
    ASSERT_EQ(gather(), 1);
    EXPECT_EQ(c.images, std::vector<Bytes>{a});
    ASSERT_NE(gs, nullptr);
    p.WriteAll(Bytes(b.begin() + 6, b.end()));
    ASSERT_EQ(gather(), 1);
    EXPECT_EQ(c.images, (std::vector<Bytes>{a, b}));
    EXPECT_EQ(gs, nullptr);

    p.WriteAll(Bytes(a.begin(), a.begin() + 4));
    p.CloseWrite();
    CapturedReports reports;
    EXPECT_EQ(gather(), 0);
    EXPECT_EQ(reports.str(), "tpl_gather: partial tpl image precedes EOF\n");
    EXPECT_EQ(gs, nullptr);
}

}  // namespace
