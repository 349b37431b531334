// The remote station on the terminal's sub port: an answering modem with a station behind it
// that calls in, asks for the live stream with command frames and writes down every frame the
// terminal relays. Like the logger it runs on the time its caller gives (ms).
//
// The modem answers the terminal's init line (any AT line) with OK; ringAfterMs after the last
// such line, while no call is up, a call comes in: RING and CONNECT <rate>, carrier on. From
// CONNECT on, each planned command goes out as STX, its text, ETB at its time after CONNECT;
// after hangupAfterMs the station hangs up (NO CARRIER, carrier off) and the rest of the plan
// is dropped. Another init line brings another call.
// What arrives in a call is cut into frames and text by a FrameScanner.
//
// Journal: the modem's events (sim/Modem.h); sent (text: a command sent); received (kind,
// counter for G N Z (bytes 3..4), checksum: whether byte 23 fits, hex: all 25 bytes); text
// (text: bytes that are no frame).
//
// Plain C++.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/FrameScanner.h"
#include "sim/LinePeer.h"
#include "sim/Modem.h"
#include "sim/PacedLine.h"

namespace vt::sim {

struct RemoteSend {
    std::string text;
    int64_t afterMs = 0;  // after CONNECT
};

struct RemoteOptions {
    int baud = 9600;
    int64_t ringAfterMs = 1000;
    std::vector<RemoteSend> sends;
    int64_t hangupAfterMs = -1;  // <0: the station stays on the line
};

class RemoteStation final : public LinePeer {
  public:
    explicit RemoteStation(RemoteOptions o);

    void receive(std::string_view bytes, int64_t nowMs) override;
    std::string transmit(int64_t nowMs) override;
    int64_t nextDueMs(int64_t nowMs) const override;
    std::vector<std::string> takeJournal() override { return std::exchange(journal_, {}); }
    void setBaud(int baud) override;
    int baud() const override { return line_.baud(); }
    ModemLines lines() const override { return modem_.lines(); }
    std::vector<ModemLines> takeLineChanges() override { return modem_.takeLineChanges(); }
    void dtrOff(int64_t nowMs) override;
    void purgeOutput(int64_t nowMs) override;

    const HayesModem& modem() const { return modem_; }

  private:
    class Wire;

    void advance(int64_t nowMs);
    int64_t nextActionMs() const;
    void heard(std::string_view bytes, int64_t t);
    void callUp(int64_t t);
    void callDown();

    RemoteOptions o_;
    HayesModem modem_;
    PacedLine line_;
    FrameScanner scanner_;
    std::deque<RemoteSend> plan_;  // afterMs: the time the command is due
    int64_t hangupDueMs_ = -1;
    int64_t now_ = 0;
    std::string out_;
    std::vector<std::string> journal_;
};

}  // namespace vt::sim
