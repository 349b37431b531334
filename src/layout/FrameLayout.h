// The wire protocol between the terminal and the logger: the 25-byte frames the logger sends,
// the command frames the terminal sends, and the acknowledgements of a download. Written down
// once for the link, the simulated logger and the tests.
//
// Plain C++. Multi-byte numbers are big-endian.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "layout/LogLayout.h"

namespace vt::frame {

inline constexpr uint8_t kSTX = 0x02;
inline constexpr uint8_t kETB = 0x17;

// ---- logger frames (logger to terminal) -----------------------------------------------------

inline constexpr int kBytes = 25;
inline constexpr int kKind = 1;       // kind letter
inline constexpr int kPayload = 2;    // bytes 2..22
inline constexpr int kChecksum = 23;  // XOR of bytes 0..22 (checked in an acknowledged download)
inline constexpr int kEnd = 24;       // kETB

// Kind letters.
inline constexpr char kLiveRecord = 'G';  // lap-timing stream: a record, with the lap time after an 'L'
inline constexpr char kLapStart = 'L';
inline constexpr char kSegment = 'S';
inline constexpr char kEvent = 'T';  // pit-in and stop events
inline constexpr char kParameters = 'P';
inline constexpr char kDownload = 'X';
inline constexpr char kDownloadEnd = 'E';
inline constexpr char kLoggingRecord = 'N';   // logging stream
inline constexpr char kRealTimeRecord = 'Z';  // real-time stream (never relayed)

// Live records ('G', 'N', 'Z').
inline constexpr int kCounter = 3;  // 2 bytes: the logger's record counter
inline constexpr int kLapTime = 5;  // 'G': 2 bytes, 1/100 s, the finished lap's time after an 'L'
inline constexpr int kRecord = 7;   // 16 bytes (7..22): one sample record
// The frame byte of a sample-record byte (RawRec holds a stored record the same way).
constexpr int recordByte(int recOffset) { return kRecord + recOffset; }
// 'L'
inline constexpr int kLapNumber = 20;
// 'S'
inline constexpr int kSegTime = 7;  // 2 bytes, 1/100 s
inline constexpr int kSegNumber = 16;
// 'T'
inline constexpr int kEventCode = 2;  // 1 pit-in, 2 stop, 3 stop ended, 4 pit-out
inline constexpr int kDuration = 3;   // 2 bytes, 1/10 s
enum EventCode : uint8_t { kPitIn = 1, kStopped = 2, kStopEnded = 3, kPitOut = 4 };
// 'P'
inline constexpr int kMmPerPulse = 3;  // 2 bytes: distance per pulse
inline constexpr int kHeader = 5;      // 16 bytes (5..20): the log header
// 'X': byte 2 says where the 16 data bytes lie; bytes 3..4 count the blocks.
inline constexpr int kXLayout = 2;
inline constexpr int kXCounter = 3;
inline constexpr uint8_t kXHeaderBlock = 0;    // data at 5..20
inline constexpr uint8_t kXRecordBlock = 255;  // data at 7..22; any other value: data at 3..18
constexpr int xDataAt(uint8_t layout) { return layout == kXHeaderBlock ? 5 : layout == kXRecordBlock ? 7 : 3; }
inline constexpr int kXDataBytes = 16;

using Frame = std::array<uint8_t, kBytes>;

constexpr uint8_t checksumOf(const uint8_t* frame) {
    uint8_t x = 0;
    for (int i = 0; i < kChecksum; ++i) x ^= frame[i];
    return x;
}
// A frame of `kind` with STX, ETB and a good checksum over the payload already in `f`.
constexpr void seal(Frame& f, char kind) {
    f[0] = kSTX;
    f[kKind] = static_cast<uint8_t>(kind);
    f[kChecksum] = checksumOf(f.data());
    f[kEnd] = kETB;
}
constexpr bool framed(const uint8_t* frame) { return frame[0] == kSTX && frame[kEnd] == kETB; }

// ---- command frames (terminal to logger) ----------------------------------------------------

// STX, the command text, ETB: no length, no checksum.
inline std::string command(std::string_view text) {
    std::string s;
    s.reserve(text.size() + 2);
    s += static_cast<char>(kSTX);
    s += text;
    s += static_cast<char>(kETB);
    return s;
}
// Acknowledgements of a download frame: accepted, and send it again.
inline const std::string kAckGood = command("GD");
inline const std::string kAckBad = command("NG");

// A remote station's command on the sub port: STX and four letters ("STRT", "STOP", "PARA").
inline constexpr int kRemoteCommandLength = 4;

// ---- the parameter block ("MAIN") -----------------------------------------------------------

inline constexpr int kMainSlotsSent = 27;  // slots 0..26 travel in "MAIN,..." and the "Q,..." reply

}  // namespace vt::frame
