// Cutting streams into images: memory chunks split and joined, pipes in
// blocking and non-blocking mode, limits and bad prefixes.
#include "tpl_test_util.h"

#include <gtest/gtest.h>

#include <fcntl.h>

namespace {

Bytes ImageOf(uint32_t value, bool big = false) {
    return ImageBuilder(big).Header(big ? TPL_IMG_BIG_ENDIAN : 0, "i").U32(value).Finish();
}

// Records every image handed over; aborts when told to.
struct Collector {
    std::vector<Bytes> images;
    int abort_at = -1;
    static int Handle(void *img, uint32_t len, void *data) {
        auto *self = static_cast<Collector *>(data);
        self->images.push_back(BytesAt(img, len));
        return static_cast<int>(self->images.size()) - 1 == self->abort_at ? -1 : 0;
    }
};

int GatherMem(Bytes chunk, tpl_gather_state **gs, Collector &c) {
    return tpl_gather(TPL_GATHER_MODE_MEMORY, chunk.data(), chunk.size(), gs, &Collector::Handle, &c);
}

TEST(TplGather, BadPrefixLimitAndAbort) {
    CapturedReports reports;
    tpl_gather_state *gs = nullptr;
    Collector c;
    // Other bytes, and stored lengths that could not be stepped over: 0 and 8.
    for (const Bytes &bad :
         {Bytes(20, 'x'), Concat({Prefix(0).bytes(), ImageOf(3)}), Concat({Prefix(8).bytes(), ImageOf(3)})}) {
        EXPECT_EQ(GatherMem(bad, &gs, c), -3);
        EXPECT_EQ(gs, nullptr);
        EXPECT_EQ(reports.Take(), "tpl prefix invalid\n");
    }

    // 101 bytes, one more than the limit.
    const Bytes img = ImageBuilder().Header(0, "c#").U32(86).Raw(std::string(86, '\0')).Finish();
    tpl_hook.gather_limit = 100;
    EXPECT_EQ(GatherMem(img, &gs, c), -2);
    // Also when the oversized image arrives in pieces.
    EXPECT_EQ(GatherMem(Bytes(img.begin(), img.begin() + 50), &gs, c), -2);
    tpl_hook.gather_limit = 0;
    EXPECT_EQ(gs, nullptr);
    EXPECT_EQ(reports.Take(), "tpl exceeds max length 100\ntpl exceeds max length 100\n");
    EXPECT_TRUE(c.images.empty());

    c.abort_at = 0;
    EXPECT_EQ(GatherMem(Concat({ImageOf(1), ImageOf(2)}), &gs, c), -4);
    EXPECT_EQ(c.images.size(), 1u);
    EXPECT_EQ(reports.Take(), "tpl_mem_gather aborted by app callback\n");
}

struct Pipe {
    Pipe() { EXPECT_EQ(pipe(fds), 0); }
    ~Pipe() { close(fds[0]), close(fds[1]); }
    void Write(const Bytes &b) { EXPECT_EQ(write(fds[1], b.data(), b.size()), ssize_t(b.size())); }
    void CloseWrite() { close(std::exchange(fds[1], -1)); }
    int fds[2] = {-1, -1};
};

// Whole images through one descriptor: dumped and loaded by the engine,
// then gathered, until a bad prefix and the end of the stream.
TEST(TplGather, BlockingDescriptor) {
    Pipe p;
    int32_t v = -3;
    TplHandle t(tpl_map("i", &v));
    tpl_pack(t.tn, 0);
    ASSERT_EQ(tpl_dump(t.tn, TPL_IO_DESCRIPTOR, p.fds[1]), 0);
    p.Write(Concat({ImageOf(2, true), Prefix(4).bytes()}));
    p.CloseWrite();
    v = 0;
    ASSERT_EQ(tpl_load(t.tn, TPL_IO_DESCRIPTOR, p.fds[0]), 0);
    ASSERT_EQ(tpl_unpack(t.tn, 0), 1);
    EXPECT_EQ(v, -3);
    void *img = nullptr;
    size_t size = 0;
    ASSERT_EQ(tpl_gather(TPL_GATHER_MODE_FD_BLOCKING, p.fds[0], &img, &size), 1);
    EXPECT_EQ(BytesAt(img, size), ImageOf(2, true));
    free(img);
    CapturedReports reports;
    EXPECT_EQ(tpl_gather(TPL_GATHER_MODE_FD_BLOCKING, p.fds[0], &img, &size), -1);
    EXPECT_EQ(reports.Take(), "tpl_gather_fd_blocking: non-tpl input\n");
    EXPECT_EQ(tpl_gather(TPL_GATHER_MODE_FD_BLOCKING, p.fds[0], &img, &size), 0);
    EXPECT_EQ(tpl_load(t.tn, TPL_IO_DESCRIPTOR, p.fds[0]), -1);
}

// The same stream whole and cut into pieces, from memory and from a
// non-blocking pipe; the pipe then ends inside an image.
TEST(TplGather, ChunksJoinedAndSplitDeliverEachImageOnceWhole) {
    const Bytes a = ImageOf(1), b = ImageOf(2, true), stream = Concat({a, b});
    struct Step {
        size_t end;        // the chunk runs from the previous step's end to here
        size_t delivered;  // images handed over so far
        size_t held;       // bytes kept for the next chunk
    };
    const std::vector<Step> feeds[] = {
        {{stream.size(), 2, 0}},
        {{3, 0, 3}, {10, 0, 10}, {a.size() + 5, 1, 5}, {stream.size(), 2, 0}},
    };
    for (bool by_pipe : {false, true}) {
        for (const std::vector<Step> &feed : feeds) {
            SCOPED_TRACE(testing::Message() << "pipe " << by_pipe << ", steps " << feed.size());
            Pipe p;
            ASSERT_EQ(fcntl(p.fds[0], F_SETFL, O_NONBLOCK), 0);
            tpl_gather_state *gs = nullptr;
            Collector c;
            auto gather = [&](const Bytes &chunk) {
                if (!by_pipe) return GatherMem(chunk, &gs, c);
                p.Write(chunk);
                return tpl_gather(TPL_GATHER_MODE_FD_NONBLOCKING, p.fds[0], &gs, &Collector::Handle, &c);
            };
            size_t from = 0;
            for (const Step &s : feed) {
                ASSERT_EQ(gather(Bytes(stream.begin() + from, stream.begin() + s.end)), 1);
                from = s.end;
                EXPECT_EQ(c.images.size(), s.delivered);
                EXPECT_EQ(gs ? gs->len : 0u, s.held);
            }
            EXPECT_EQ(c.images, (std::vector<Bytes>{a, b}));
            if (!by_pipe) continue;
            p.Write(Bytes(a.begin(), a.begin() + 4));
            p.CloseWrite();
            CapturedReports reports;
            EXPECT_EQ(tpl_gather(TPL_GATHER_MODE_FD_NONBLOCKING, p.fds[0], &gs, &Collector::Handle, &c), 0);
            EXPECT_EQ(reports.Take(), "tpl_gather: partial tpl image precedes EOF\n");
            EXPECT_EQ(gs, nullptr);
        }
    }
}

}  // namespace
