// Seeds of the console target: sessions that visit every menu item, with
// their number prompts answered, and a few with an armed instrument fault.
#include <string>

#include "seeds.h"

namespace fuzz {

namespace {

Bytes typed(const std::string &text) { return Bytes(text.begin(), text.end()); }

}  // namespace

void console_seeds() {
    const char *sessions[] = {
        "1\n2\n3\nq\n",
        "4\nq\n",
        "5\n1\n5\n0\n6\n1\n7\n0\nq\n",
        "8\n9\n8\n4\n9\n3\nq\n",
        "a\nb\nc\nd\ne\nq\n",
        "9a\nq\n",
        "5\n1q\n",
        "1 2 3 4 q",
        "8\n-5\n9\n99999999999\nq\n",
        "Q\nA\nz\nq\n",
        "",
    };
    int n = 0;
    for (const char *session : sessions)
        write_seed("console", "session" + std::to_string(n++), typed(session));
    // Faults (kind in the low bits of the first byte, exchanges to let pass
    // in the second) against a scan, a reference and device-state items.
    const uint8_t faults[][2] = {{0x80, 3}, {0x84, 6}, {0x85, 6}, {0x86, 2}, {0x87, 7}, {0x89, 4}};
    for (const auto &fault : faults)
        write_seed("console", "fault" + std::to_string(n++),
                   concat({fault[0], fault[1]}, typed("1\n4\nb\nq\n")));
}

}  // namespace fuzz
