// The logged-memory image: header decoding, locating a lap's records, and decoding one
// sample record into the channel array.
#pragma once

#include "layout/LogLayout.h"
#include "state/Module1.h"

namespace vt {

// Decodes the 16 header bytes at RawRec(5..20) (and the distance per pulse at RawRec(3..4))
// into the settings, after keeping RawRec(0..24) in HdrCopy. A 16-bit field whose value does
// not fit a signed 16-bit setting leaves that setting as it was.
void header_decode(Module1& m);

// Locates lap LapCur in the image: RecPtr, RecCount, MmPerPulse and possibly CarType.
// Returns false when the lap cannot be located (a start address of 0, no distance per pulse
// in 10..999 within three records, or a start outside the image).
bool locate_lap(Module1& m);

// The distance per pulse of a lap's first record: bytes 2..3 of record `ptr`, or of one of the
// two records before it, in 10..999. Sets MmPerPulse and moves `ptr` to the record where it
// was found; when none is found MmPerPulse is 500 and the result false.
bool find_distance_per_pulse(Module1& m, int32_t& ptr);

// The image index of a logger ring address: address minus the start address of lap
// LapFirst, plus MemRecs when negative.
int32_t imageIndex(const Module1& m, int address);

// True when record n is a segment or lap marker.
inline bool isMarker(const Module1& m, int32_t n) {
    return layout::isMarkerKind(m.LogMem[static_cast<size_t>(n)][layout::rec::kKind]);
}

// Decodes the sample record at RawRec(7..22) into Chan and DistCount. `angle`: channel 1 is a
// signed lean angle (else a battery voltage); `xScale`: graph pixels per metre, from which the
// record's x in the graph frame goes to traceX (kept as it was when it is not a number). A step
// whose value does not fit 16 bits is skipped and its channel keeps its value.
void nama_store(Module1& m, bool angle, float xScale, float& traceX);

// Copies record n of the image into RawRec(7..22).
void load_record(Module1& m, int32_t n);

}  // namespace vt
