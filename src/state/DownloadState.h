// A memory download in progress: the file being written, the block counter, the fast line's
// saved settings, and what the progress display needs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace vt {

struct DownloadState {
    std::string DownPath;  // the log file made: LogFileName + ".log"
    std::string TempPath;  // where the bytes go until the download ends well
    std::FILE* file = nullptr;
    int32_t DownCount = 0;     // the block counter of the last "X" frame
    std::string SaveSettings;  // the main port's settings before a fast download
    int16_t SaveHandshake = 0;
    // Progress.
    int64_t bytes = 0;     // data bytes written
    int64_t expected = 0;  // bytes the range will hold, once the header and lap table say so
    std::string head;      // the header and lap table as they arrive
    int64_t startMs = -1;  // when the first "X" frame came
    int32_t lastRecordBlock = -1;
    int32_t damaged = 0, missing = 0;  // frames found bad on a line without acknowledgements
    bool writeFailed = false;
    int writeError = 0;     // errno of the failed write
    bool complete = false;  // the "E" frame ended it well and the log is in place
};

}  // namespace vt
