// What a memory download carries: the log file of a lap range, and the "X" frames that take it
// over the line 16 bytes at a time. Kept apart from the logger's timing so that tests (ours and
// the terminal's, which link this library) can say which bytes a downloaded file must hold.
//
// The file of laps F..T is a log file of exactly those laps:
// - the 16-byte header of the memory with byte 11 = F and byte 0 = T shifted left by one, bit 0
//   (the speed unit) kept;
// - the lap table pages (480 bytes each) of laps F..T, as the memory holds them; their start
//   addresses stay ring addresses, so a reader's "address minus the first lap's start address"
//   finds each lap in the file as it would in the whole memory;
// - the records from lap F's marker up to and including the marker that closes lap T (lap T+1's
//   marker, or the closing marker after the last lap).
// The range as the command gives it: T 0 means the last lap held; F above a T that is not 0 is
// swapped with it; a range reaching past the laps held is cut to them; a range that holds no lap
// held gives no file. The whole range gives LoggerMemory::fileBytes() byte for byte.
//
// The frames: block b of the file (bytes 16b..16b+15) goes in one "X" frame. Byte 2 says where
// the data lies: 0 for the header (data at 5..20), 1 for the lap table (data at 3..18, so bytes
// 3..4 are data too), 255 for the records (data at 7..22). Outside the lap table bytes 3..4 hold
// the block counter: the block number, 0 for the header, counting on from 65535 to 1 (never 0
// again). Unused bytes are 0.
//
// Plain C++.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "layout/FrameLayout.h"
#include "loggen/LogGenerator.h"

namespace vt::sim {

inline constexpr std::size_t kBlockBytes = frame::kXDataBytes;
inline constexpr std::uint8_t kXTableBlock = 1;  // the layout of the lap table's blocks

// The laps a download of from..to covers and where their records lie in the memory.
struct LapSpan {
    int first = 0, last = 0;
    std::size_t beginRecord = 0;  // lap `first`'s marker
    std::size_t endRecord = 0;    // one past the marker that closes lap `last`
};

// The span of from..to (to 0: the last lap held), or nothing when no lap of it is held (or the
// records lack the marker of its first or last lap).
std::optional<LapSpan> lapSpan(const loggen::LoggerMemory& memory, int from, int to);

// The log file of laps from..to, as a download of that range carries it; empty when no lap of
// the range is held.
std::vector<std::uint8_t> rangeFile(const loggen::LoggerMemory& memory, int from, int to);

// The laps a log file's header names (last - first + 1, at least 1), as a reader takes them.
int lapsOfFile(const std::vector<std::uint8_t>& file);

// The layout byte of block `block` of a file of `laps` laps.
std::uint8_t blockLayout(std::size_t block, int laps);
// The counter bytes 3..4 of block `block` (used where the layout does not put data there).
unsigned blockCounter(std::size_t block);

// The "X" frame of block `block` of `file` (a file of `laps` laps), sealed.
frame::Frame downloadFrame(const std::vector<std::uint8_t>& file, std::size_t block, int laps);
// The "E" frame that ends every download.
frame::Frame downloadEndFrame();

}  // namespace vt::sim
