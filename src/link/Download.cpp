#include "link/Download.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "layout/FrameLayout.h"
#include "layout/LogLayout.h"
#include "link/Commands.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "platform/NumText.h"

namespace vt {

namespace {

constexpr int kTextCancelled = 253;  // "Download cancelled - file deleted."
constexpr int kTextReplace = 254;    // " already exists. Replace it?"

const char* const kFastSettings[3] = {"38400,N,8,1", "57600,N,8,1", "115200,N,8,1"};
const char* const kFastKeywords[3] = {"FASTA", "FASTB", "FASTC"};
const char* const kFastSpeeds[3] = {"(38400)", "(57600)", "(115200)"};

void closeFile(DownloadState& d) {
    if (d.file) std::fclose(d.file);
    d.file = nullptr;
}

// The download's file goes: nothing of a half download is left.
void discardFile(DownloadState& d) {
    closeFile(d);
    if (!d.TempPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(d.TempPath, ec);
    }
    d.TempPath.clear();
}

// Once the header and the lap table are in, the records to come are known closely: the laps'
// start addresses give all but the last lap, whose time (ten records a second) and segment
// markers give the rest.
void estimate(const Module1& m, DownloadState& d) {
    namespace hdr = layout::header;
    namespace seg = layout::seg;
    if (d.head.size() < layout::kHeaderBytes) return;
    const auto* h = reinterpret_cast<const uint8_t*>(d.head.data());
    const int first = h[hdr::kLapFirst];
    const int last = std::max(first, h[hdr::kUnitAndLastLap] >> 1);
    const size_t table = static_cast<size_t>(last - first + 1) * layout::kLapPageBytes;
    if (d.expected == 0) d.expected = layout::kHeaderBytes + static_cast<int64_t>(table);
    if (d.head.size() < layout::kHeaderBytes + table) return;
    const uint8_t* pages = h + layout::kHeaderBytes;
    auto page = [&](int lap) { return pages + static_cast<size_t>(lap - first) * layout::kLapPageBytes; };
    const int memRecs = layout::memRecsForCode(h[hdr::kCarAndMemory] >> 4);
    const int a = layout::word(page(first) + seg::kStartAddress);
    const int b = layout::word(page(last) + seg::kStartAddress);
    long records = ((b - a) % memRecs + memRecs) % memRecs;
    long lastLapCs = 0;
    int segments = 0;
    for (int e = 0; e < layout::kSegmentsPerLap; ++e) {
        const int t = layout::word(page(last) + e * layout::kSegmentBytes + seg::kTime);
        if (t == 0) break;
        lastLapCs += t;
        ++segments;
    }
    records += lastLapCs / 10 + segments + 1;  // its samples, its segment markers and the closing marker
    d.expected = layout::kHeaderBytes + static_cast<int64_t>(table) + records * layout::kRecordBytes;
    (void)m;
}

std::string minutesSeconds(int64_t seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60));
    return buf;
}

}  // namespace

bool parse_range(const std::string& answer, int32_t& from, int32_t& to) {
    const size_t dash = answer.find('-');
    double a = 0, b = 0;
    if (dash != std::string::npos) {
        a = Val(answer.substr(0, dash));
        b = Val(answer.substr(dash + 1));
    } else {
        a = Val(answer);
    }
    a = Nearest(a);
    b = Nearest(b);
    if (b != 0 && a > b) std::swap(a, b);
    // Laps 0..100: a negative lap ("3--2") is no lap either.
    if (a > 100 || b > 100 || a < 0 || b < 0) return false;
    from = static_cast<int32_t>(a);
    to = static_cast<int32_t>(b);
    if (to != 0 && from == 0) from = 1;
    return true;
}

void down_range(Module1& m, MainformState& f, Services& s) {
    for (;;) {
        m.DownFrom = 0;
        m.DownTo = 0;
        const std::string answer = s.ui.inputBox(lang(m, 246), lang(m, 247), "");
        if (answer.empty()) return;
        int32_t from = 0, to = 0;
        if (parse_range(answer, from, to)) {
            m.DownFrom = from;
            m.DownTo = to;
            return;
        }
        s.ui.beep();
        f.Label1.setCaption(lang(m, 248));
    }
}

void down_file(Module1& m, MainformState& f, Services& s) {
    DownloadState& d = f.Down;
    m.LogFileName.clear();
    if (f.windows.Form_NAME) f.windows.Form_NAME();
    if (m.LogFileName.empty()) {
        s.ui.beep();
        m.DownMode = 0;
        return;
    }
    down_range(m, f, s);
    if (m.DownFrom == 0) {
        s.ui.beep();
        m.LogFileName.clear();
        m.DownMode = 0;
        return;
    }
    d = DownloadState{};
    d.DownPath = m.LogFileName + ".log";
    std::error_code ec;
    if (std::filesystem::exists(d.DownPath, ec) && s.ui.msgBox(d.DownPath + lang(m, kTextReplace), MsgButtons::YesNo,
                                                               MsgIcon::Question, lang(m, 247)) != MsgResult::Yes) {
        m.LogFileName.clear();
        m.DownMode = 0;
        return;
    }
    d.TempPath = d.DownPath + ".part";
    d.file = std::fopen(d.TempPath.c_str(), "wb");
    if (!d.file) {
        s.ui.msg(d.TempPath + ": " + std::strerror(errno), MsgIcon::Exclamation, lang(m, text::kErrorTitle));
        d.TempPath.clear();
        m.LogFileName.clear();
        m.DownMode = 0;
    }
}

std::string download_command(const Module1& m) {
    std::string keyword;
    if (m.DownMode == 2)
        keyword = kFastKeywords[m.FastRate <= 2 ? m.FastRate : 0];
    else
        keyword = m.AckMode != 0 ? "LOGP" : "LOGN";
    return keyword + Str(m.DownFrom) + "-" + Str(m.DownTo);
}

void down_start(Module1& m, MainformState& f, Services& s) {
    DownloadState& d = f.Down;
    busy(f, true);
    f.lap_no.setCaption(Str(m.DownFrom) + " ");
    m.AckMode = m.MainATCmd.empty() || m.DownMode != 1 ? kTrue : kFalse;
    m.RecCount = 0;
    d.DownCount = 0;
    const int rate = m.FastRate <= 2 ? m.FastRate : 0;
    if (m.DownMode == 1)
        f.Label1.setCaption(lang(m, 245));
    else
        f.Label1.setCaption(lang(m, 244) + kFastSpeeds[rate]);
    CommPort& port = *f.MSComm1;
    port.clearInBuffer();
    port.setInputLen(frame::kBytes);
    f.ResyncOn = 0;
    f.Timer1.setEnabled(true);
    s.ui.beep();
    if (txFailed(send_command(m, f, s, download_command(m), true))) {
        f.Label1.setCaption(lang(m, text::kSendFailed));
        f.RxOn = kFalse;
        f.Timer1.setEnabled(false);
        s.ui.beep();
        busy(f, false);
        // Nothing will come: the download is over, and its empty file goes.
        discardFile(d);
        m.DownMode = 0;
        return;
    }
    if (m.DownMode == 2) {
        std::string error;
        port.setPortOpen(false, &error);
        d.SaveSettings = port.settings();
        d.SaveHandshake = static_cast<int16_t>(port.handshaking());
        port.setSettings(kFastSettings[rate]);
        port.setHandshaking(2);
        port.setPortOpen(true, &error);
        port.clearInBuffer();
        port.clearOutBuffer();
    }
    // The wait window shows the progress and its button ends the download.
    m.WaitEnd = kFalse;
    f.Form2.Label1.setCaption(f.Label1.Caption);
    f.Form2.window.setVisible(true);
}

void down_block(Module1& m, MainformState& f, Services& s) {
    DownloadState& d = f.Down;
    const uint8_t* fr = m.RawRec.data();
    const uint8_t layoutByte = fr[frame::kXLayout];
    const uint8_t* data = fr + frame::xDataAt(layoutByte);
    if (d.file && !d.writeFailed) {
        if (std::fwrite(data, 1, frame::kXDataBytes, d.file) != static_cast<size_t>(frame::kXDataBytes)) {
            d.writeFailed = true;
            d.writeError = errno;
        }
    }
    if (d.head.size() < layout::kHeaderBytes + static_cast<size_t>(kMaxLap + 1) * layout::kLapPageBytes &&
        (d.expected == 0 || static_cast<int64_t>(d.head.size()) < d.expected))
        d.head.append(reinterpret_cast<const char*>(data), frame::kXDataBytes);
    d.bytes += frame::kXDataBytes;
    if (d.startMs < 0) d.startMs = s.clock.msecs();
    if (d.expected == 0 || static_cast<int64_t>(d.head.size()) <= d.expected) estimate(m, d);
    d.DownCount = layout::word(fr + frame::kXCounter);
    f.data_cont.setCaption(Str(d.DownCount));
    // Without acknowledgements a damaged frame cannot be asked for again: it is counted, and so
    // is a gap in the records' block counter.
    if (m.AckMode == 0) {
        if (fr[frame::kChecksum] != frame::checksumOf(fr)) ++d.damaged;
        if (layoutByte == frame::kXRecordBlock) {
            if (d.lastRecordBlock >= 0 && d.DownCount > d.lastRecordBlock + 1)
                d.missing += d.DownCount - d.lastRecordBlock - 1;
            d.lastRecordBlock = d.DownCount;
        }
    }
    if (f.Form2.window.Visible) f.Form2.Label1.setCaption(down_progress(m, f, s.clock.msecs()));
}

void down_finish(Module1& m, MainformState& f, Services& s) {
    DownloadState& d = f.Down;
    bool good = d.DownCount != 0;
    std::string problem;
    if (d.file) {
        if (std::fflush(d.file) != 0 || std::ferror(d.file)) {
            d.writeFailed = true;
            if (d.writeError == 0) d.writeError = errno;
        }
        if (std::fclose(d.file) != 0 && !d.writeFailed) {
            d.writeFailed = true;
            d.writeError = errno;
        }
        d.file = nullptr;
    }
    busy(f, false);
    if (good && d.writeFailed) {
        good = false;
        problem = d.DownPath + ": " + std::strerror(d.writeError != 0 ? d.writeError : EIO);
    }
    bool ask = false;
    if (good) {
        std::error_code ec;
        std::filesystem::rename(d.TempPath, d.DownPath, ec);
        if (ec) {
            good = false;
            problem = d.DownPath + ": " + ec.message();
        }
    }
    if (good) {
        d.TempPath.clear();
        d.complete = true;
        std::string said = lang(m, 206);
        if (d.damaged + d.missing > 0)
            said += " (" + std::to_string(d.damaged) + " damaged, " + std::to_string(d.missing) + " missing frames)";
        f.Label1.setCaption(said);
        // A download with holes in it is no copy of the memory: the memory is not offered for
        // clearing, so the laps can be fetched again.
        ask = m.MemClearAsk != 0 && d.damaged + d.missing == 0;
    } else {
        discardFile(d);
        f.Label1.setCaption(lang(m, 205));
        f.lap_no.setCaption("");
        m.RecCount = 0;
    }
    f.Form2.window.setVisible(false);
    down_end(m, f, s);
    if (!problem.empty()) s.ui.msg(problem, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
    if (ask && s.ui.msgBox(lang(m, 207), MsgButtons::YesNo, MsgIcon::None, lang(m, 208)) == MsgResult::Yes) {
        if (txFailed(send_command(m, f, s, "MCLR"))) {
            f.Label1.setCaption(lang(m, text::kSendFailed));
            s.ui.beep();
        } else {
            f.Label1.setCaption(lang(m, 209));
        }
    }
}

void down_end(Module1& m, MainformState& f, Services& s) {
    DownloadState& d = f.Down;
    if (m.DownMode == 2) {
        CommPort& port = *f.MSComm1;
        std::string error;
        if (port.portOpen()) port.setPortOpen(false, &error);
        port.setHandshaking(d.SaveHandshake);
        port.setSettings(d.SaveSettings);
        port.setPortOpen(true, &error);
        port.clearInBuffer();
        port.clearOutBuffer();
    }
    m.DownMode = 0;
    f.Form2.window.setVisible(false);
    rx_end(m, f);
    s.ui.beep();
}

void down_timeout(Module1& m, MainformState& f, Services& s) {
    discardFile(f.Down);
    busy(f, false);
    f.lap_no.setCaption("");
    m.RecCount = 0;
    f.Label1.setCaption(lang(m, 249));
    down_end(m, f, s);
}

void down_cancel(Module1& m, MainformState& f, Services& s) {
    discardFile(f.Down);
    busy(f, false);
    f.lap_no.setCaption("");
    m.RecCount = 0;
    f.Label1.setCaption(lang(m, kTextCancelled));
    down_end(m, f, s);
}

void down_lost(Module1& m, MainformState& f) {
    discardFile(f.Down);
    if (m.DownMode == 2 && !f.Down.SaveSettings.empty()) {
        // The port has closed with the fast line's settings on it; the next connection must
        // open at the line's own speed, as a download that ends does.
        CommPort& port = *f.MSComm1;
        port.setHandshaking(f.Down.SaveHandshake);
        port.setSettings(f.Down.SaveSettings);
    }
    m.DownMode = 0;
    f.lap_no.setCaption("");
    m.RecCount = 0;
}

std::string down_progress(const Module1&, const MainformState& f, int64_t nowMs) {
    const DownloadState& d = f.Down;
    std::string s = "block " + std::to_string(d.DownCount) + ", " + std::to_string(d.bytes) + " bytes";
    if (d.expected > 0) {
        const int64_t shown = std::min<int64_t>(d.bytes, d.expected);
        s += " of " + std::to_string(std::max(d.expected, d.bytes)) + " (" +
             std::to_string(std::min<int64_t>(99, shown * 100 / d.expected)) + " %)";
    }
    if (d.startMs >= 0 && nowMs > d.startMs) {
        const double rate = static_cast<double>(d.bytes) * 1000.0 / static_cast<double>(nowMs - d.startMs);
        s += ", " + std::to_string(static_cast<long long>(rate)) + " bytes/s";
        if (d.expected > d.bytes && rate > 0)
            s += ", " +
                 minutesSeconds(static_cast<int64_t>(std::ceil(static_cast<double>(d.expected - d.bytes) / rate))) +
                 " left";
    }
    return s;
}

void One_Down_Click(Module1& m, MainformState& f, Services& s) {
    m.DownMode = 1;
    down_file(m, f, s);
    if (!m.LogFileName.empty()) down_start(m, f, s);
}

void Fast_Down_Click(Module1& m, MainformState& f, Services& s) {
    m.DownMode = 2;
    down_file(m, f, s);
    if (!m.LogFileName.empty()) down_start(m, f, s);
}

}  // namespace vt
