// Shared pieces of the seed generator (make_seeds.cpp and seeds_*.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tpl.h"

namespace fuzz {

using Bytes = std::vector<uint8_t>;

// Writes OUTPUT_DIR/<target>/<name>.
void write_seed(const std::string &target, const std::string &name, const Bytes &bytes);
Bytes concat(Bytes a, const Bytes &b);
// The image of a packed tpl (which is freed).
Bytes dump_and_free(tpl_node *tn);
// An image of record type 0 to 7 over a patterned record.
Bytes record_image(int type, uint8_t fill);

void spectral_seeds();
void link_seeds();
void console_seeds();

}  // namespace fuzz
