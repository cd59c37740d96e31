// An HID backend whose every read is answered from the fuzz input.
//
// Each blocking read takes one control byte from the input:
//   low 3 bits 0: the read times out (returns 0); 1: it fails (-1);
//   otherwise a report follows, 64 bytes from the input, or with bit 3 set
//   a short report of 1 + (next byte % 64) bytes;
//   bit 6 set: one stale report is left waiting afterwards, for the
//   zero-time-out reads that drain input before a command.
// When the input is used up every read times out, so no exchange can hang.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "usb.h"

namespace fuzz {

// Installs the scripted backend (reading from in) and opens device 0.
void scripted_hid_begin(ByteCursor *in);
// Makes the next hid_write fail.
void scripted_hid_fail_next_write();
// Closes device 0 and restores the system hidapi.
void scripted_hid_end();

} // namespace fuzz
