// Module1: the shared state of the whole program.
//
// One struct, created zeroed at start and passed by reference (there is no hidden global),
// so every test starts from a fresh one. Names are the program's own: Integer items are
// int16_t, Long items int32_t, Single items float, Byte items uint8_t; arrays are indexed
// from 0 with the upper bounds the program uses.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace vt {

constexpr int kMaxRecord = 65000;  // LogMem holds records 0..65000
constexpr int kMaxLap = 100;       // LapTbl holds laps 0..100
constexpr int kLangLines = 300;    // LANG.TXT holds up to 300 lines

struct Module1 {
    // ---- language table and folders -----------------------------------------------------
    std::array<std::string, kLangLines + 1> LangText;  // LangText[N] = line N of LANG.TXT
    std::string UiFontName;                            // copy of LangText[2]
    std::string CurDir;                                // the start folder, where the settings files lie
    std::string LogDir, CorseDir, ParaDir;             // start folder + "/log", "/corse", "/PARA"
    std::string PortMainFile, PortSubFile, DialFile;   // "port_main.dat", "port_sub.dat", "dial.dat"

    // ---- logged-memory image -------------------------------------------------------------
    // LogMem[n][j]: byte j of record n. The records lie back to back, 16 bytes each (no unused
    // 17th column), so a log's record area reads straight in.
    std::array<std::array<uint8_t, 16>, kMaxRecord + 1> LogMem{};
    std::array<std::array<std::array<uint8_t, 33>, 17>, kMaxLap + 1> LapTbl{};  // LapTbl[lap][seg][byte]
    int16_t LapFirst = 0, LapLast = 0, LapCur = 0;
    int32_t RecCount = 0;  // records while filling the image; after locating a lap, its record count
    int32_t RecPtr = 0;    // image index of the current lap's first record
    int32_t RecLast = 0;   // index of the last record held
    int32_t MemRecs = 0;   // logger ring size: 12288, 20480 or 53248

    // ---- raw record, channels and header settings ---------------------------------------
    std::array<uint8_t, 33> RawRec{};   // a 25-byte frame, or a 16-byte record at 7..22
    std::array<uint8_t, 25> HdrCopy{};  // RawRec[0..24] as of the last header decode
    std::array<int16_t, 21> Chan{};
    float DistCount = 0;
    int16_t MmPerPulse = 0;
    int16_t SpeedUnit = 0;  // 0 km/h, 1 miles per hour
    int16_t TachoPulse = 0;
    int16_t RpmMax = 0, PrsRange = 0, CarType = 0, AFMode = 0, Temp1Max = 0, Temp2Max = 0;
    int16_t HdrWord8 = 0, HdrByte10 = 0, HdrHigh1 = 0;
    int16_t CourseLen = 0;         // lap length in metres
    int16_t CourseMmPerPulse = 0;  // distance per pulse of a loaded course (0 = use MmPerPulse)
    int16_t SegMinLen = 0;         // minimum segment length of the course editor, metres

    // ---- lists ---------------------------------------------------------------------------
    int16_t SelLap = 0;                          // list mode on entry to the list window; the chosen lap on return
    int16_t SegListNo = 0;                       // segment of the one-segment list
    std::array<int16_t, kMaxLap + 1> DelList{};  // laps of the selected lines from index 1, ended by 0
    int32_t CumTime = 0, SegTime = 0;            // lap-time sums of the lists and the live link
    std::string TimeText;                        // result of time_conv

    // ---- files ---------------------------------------------------------------------------
    std::string LogFileName;   // current log file; also the hand-over slot of the file dialogs
    std::string TextFileName;  // LogFileName with "txt" for its last three characters
    int16_t DataFileNo = 0, TextFileNo = 0;
    std::string CrLfStr, CrStr, LfStr;

    // ---- modes and the link --------------------------------------------------------------
    int16_t ReplayOn = 0;  // a replay or text export is feeding stored records through nama_store
    int16_t GraphKind = 0;
    int16_t SegNo = 0;
    std::string RxKind, RxPrev;
    int16_t LiveMode = 0;
    std::string ModemText;
    int16_t MainPortSet = 0, SubPortSet = 0;
    std::string MainATCmd, SubATCmd;
    int16_t RetrySec = 0, PortSel = 0, PortQuietLoad = 0;
    int16_t WaitEnd = 0, RetryPending = 0, RetryAfterReplay = 0;
    std::string TelNo;
    int16_t DialOK = 0, LinkUp = 0, SubOK = 0;
    uint8_t DownMode = 0, FastRate = 0;
    int32_t DownFrom = 0, DownTo = 0;
    int16_t AckMode = 0, MemClearAsk = 0;
};

// The state is large (the image alone is over a megabyte): make it on the heap, zeroed.
inline std::unique_ptr<Module1> makeModule1() { return std::make_unique<Module1>(); }

// Flags are 16-bit: True = -1, False = 0.
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

// Language texts that procedures of several subsystems share.
namespace text {
inline constexpr int kCancel = 64;       // caption of every cancel button
inline constexpr int kBadName = 120;     // a typed name holds a character that could reach another folder
inline constexpr int kErrorTitle = 121;  // title of error message boxes
inline constexpr int kNoLog = 128;       // no log file is loaded
inline constexpr int kSendFailed = 140;  // a command was not sent
inline constexpr int kNoLogForLists = 150;
inline constexpr int kLogLoaded = 170;
}  // namespace text

// Text of language line n (empty when out of range or never loaded).
inline const std::string& lang(const Module1& m, int n) {
    static const std::string empty;
    return n >= 1 && n <= kLangLines ? m.LangText[static_cast<size_t>(n)] : empty;
}

// Big-endian 16-bit values of the image.
inline int recWord(const Module1& m, int32_t rec, int byte) {
    return m.LogMem[static_cast<size_t>(rec)][static_cast<size_t>(byte)] * 256 +
           m.LogMem[static_cast<size_t>(rec)][static_cast<size_t>(byte) + 1];
}
inline int lapWord(const Module1& m, int lap, int seg, int byte) {
    const auto& s = m.LapTbl[static_cast<size_t>(lap)][static_cast<size_t>(seg)];
    return s[static_cast<size_t>(byte)] * 256 + s[static_cast<size_t>(byte) + 1];
}

}  // namespace vt
