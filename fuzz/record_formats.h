// The spectral library's record formats and their fixed lengths, by record
// type (0 to 7), as the fuzz targets and the seed generator map them.
#pragma once

#include <vector>

#include "tpl.h"

namespace fuzz {

struct RecordFormat {
    const char *format;
    std::vector<int> counts;
};

inline const RecordFormat kRecordFormats[8] = {
    {"S(uc#cccccccjjvvu$(f#f#)c#vccccvc#c#vvcvvi#)", {20, 3, 3, 8, 8, 40, 864}},
    {"S(cvc#c#vvcvv)", {8, 40}},
    {"S(f#f#)", {3, 3}},
    {"S(c#f#v##)", {19, 50, 19, 50}},
    {"S(cvc#c#vc)", {8, 40}},
    {"S(ccvvvv)#", {5}},
    {"S(uc#cccccccjjvvu$(f#f#)c#vccc)", {20, 3, 3, 8}},
    {"i#", {864}},
};

// Room for the largest record (a scanData is under 4 KiB).
constexpr unsigned kRecordRoom = 8192;

inline tpl_node *map_record(const RecordFormat &rf, void *record) {
    const std::vector<int> &n = rf.counts;
    switch (n.size()) {
        case 1:
            return tpl_map(rf.format, record, n[0]);
        case 2:
            return tpl_map(rf.format, record, n[0], n[1]);
        case 4:
            return tpl_map(rf.format, record, n[0], n[1], n[2], n[3]);
        case 7:
            return tpl_map(rf.format, record, n[0], n[1], n[2], n[3], n[4], n[5], n[6]);
        default:
            return nullptr;
    }
}

}  // namespace fuzz
