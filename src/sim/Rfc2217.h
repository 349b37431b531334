// The server side of a serial port reached over Telnet with the com port option (RFC 2217): the
// simulator's line as a network service. Pure state machine: bytes from the client go in, data
// for the line comes out, and what the server says back (negotiation answers, com port replies,
// modem-state notifications, escaped data) collects in one output in the order it was said.
//
// Telnet: 0xFF in data is doubled both ways. The server offers WILL and DO for BINARY (0) and
// SUPPRESS-GO-AHEAD (3) and asks DO COM-PORT-OPTION (44); it agrees to those three both ways and
// refuses any other option (DONT / WONT). It answers a request only when the option's state
// changes, so no two ends can keep each other talking. Until the client agrees to send BINARY, a
// NUL after CR is taken out (a Telnet client sends CR as CR NUL); data to the client goes out
// as it is. Other Telnet commands (NOP, BRK, AYT, ...) are passed over.
//
// Com port commands from the client (option 44), each answered with its code + 100 and the
// value in effect: SIGNATURE (0; empty asks ours), SET-BAUDRATE (1; four bytes big-endian, 0
// asks), SET-DATASIZE (2; 5..8), SET-PARITY (3; 1..5), SET-STOPSIZE (4; 1..3), SET-CONTROL
// (5; flow, BREAK, DTR, RTS, inbound flow: 0, 4, 7, 10, 13 ask), NOTIFY-LINESTATE (6) and
// NOTIFY-MODEMSTATE (7) as requests for the present state, SET-LINESTATE-MASK (10),
// SET-MODEMSTATE-MASK (11), PURGE-DATA (12; 1 receive, 2 transmit, 3 both). FLOWCONTROL-
// SUSPEND (8) and -RESUME (9) hold and release the data to the client, unanswered. A value out
// of range leaves the setting as it was (the answer says which is in effect). A subnegotiation
// without IAC SE within kMaxSubnegotiation bytes, or cut by another IAC command, is dropped and
// what follows is read afresh.
//
// NOTIFY-MODEMSTATE (107): CD bit 7, RI 6, DSR 5, CTS 4 (DSR and CTS always on), and the delta
// bits 3 (CD changed) and 2 (RI ended). Sent once when the com port option comes up, and on each
// change of the lines whose bits (state or delta) meet the mask (default 255); the value sent is
// masked.
//
// Journal: telnet (got and sent: WILL WONT DO DONT, option: its number; or dropped: bytes,
// reason), comport (command: signature, set-baudrate, ..., purge-data, value: what the client
// sent, reply: what is in effect; text for a signature; error for a command cut short),
// notify (modemstate: the value sent).
//
// Plain C++.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vt::sim {

namespace telnet {
inline constexpr unsigned char kSE = 240;
inline constexpr unsigned char kSB = 250;
inline constexpr unsigned char kWILL = 251;
inline constexpr unsigned char kWONT = 252;
inline constexpr unsigned char kDO = 253;
inline constexpr unsigned char kDONT = 254;
inline constexpr unsigned char kIAC = 255;
inline constexpr unsigned char kBinary = 0;
inline constexpr unsigned char kSuppressGoAhead = 3;
inline constexpr unsigned char kComPort = 44;
}  // namespace telnet

namespace comport {
// Client to server; the server answers with the same code + kServer.
enum Command : unsigned char {
    kSignature = 0,
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
    kNotifyLineState = 6,
    kNotifyModemState = 7,
    kFlowSuspend = 8,
    kFlowResume = 9,
    kSetLineStateMask = 10,
    kSetModemStateMask = 11,
    kPurgeData = 12,
};
inline constexpr unsigned char kServer = 100;
// Modem-state bits.
inline constexpr unsigned char kCD = 0x80, kRI = 0x40, kDSR = 0x20, kCTS = 0x10;
inline constexpr unsigned char kDeltaCD = 0x08, kTrailingRI = 0x04;
}  // namespace comport

struct SerialSettings {
    std::uint32_t baud = 9600;
    int dataSize = 8;
    int parity = 1;        // 1 none, 2 odd, 3 even, 4 mark, 5 space
    int stopSize = 1;      // 1 one, 2 two, 3 one and a half
    int flow = 1;          // SET-CONTROL outbound flow: 1 none, 2 XON/XOFF, 3 hardware, 17 DCD, 19 DSR
    int inboundFlow = 14;  // 14 none, 15 XON/XOFF, 16 hardware, 18 DTR
    bool breakOn = false;
    bool dtr = true;
    bool rts = true;
    unsigned char lineStateMask = 0;
    unsigned char modemStateMask = 255;
};

class Rfc2217Server {
  public:
    static constexpr std::size_t kMaxSubnegotiation = 64;
    static constexpr unsigned char kLineState = 0x60;  // both transmit registers empty

    explicit Rfc2217Server(std::uint32_t baud = 9600);

    // The server's opening offers.
    void start(int64_t t);
    // Bytes from the client; gives the data bytes for the line, unescaped.
    std::string fromClient(std::string_view bytes, int64_t t);
    // Data from the line to the client, escaped, after what is already queued.
    void toClient(std::string_view data);
    // The modem lines of the line's far end; the client hears of a change (see the mask).
    void setModemLines(bool cd, bool ri, int64_t t);
    // Everything to send to the client, in order.
    std::string takeOutput() { return std::exchange(out_, {}); }
    std::vector<std::string> takeJournal() { return std::exchange(journal_, {}); }

    // What the client asked of the line since the last call.
    struct Requests {
        std::uint32_t baud = 0;  // a new speed, 0: none
        bool purgeReceive = false, purgeTransmit = false;
        bool dtrOff = false;
    };
    Requests takeRequests() { return std::exchange(requests_, {}); }

    const SerialSettings& settings() const { return settings_; }
    // The client asked to hold the data for now (FLOWCONTROL-SUSPEND).
    bool suspended() const { return suspended_; }
    bool comPortUp() const;
    // Whether the client sends (him) / we send (us) BINARY, SGA or COM-PORT.
    bool hisOption(unsigned char option) const;
    bool ourOption(unsigned char option) const;
    // The modem-state byte now (no delta bits).
    unsigned char modemState() const;

  private:
    enum class Q : unsigned char { No, Yes, WantYes };
    struct Option {
        Q us = Q::No;   // we WILL
        Q him = Q::No;  // he WILL
    };
    enum class In { Data, Iac, Verb, Sub, SubIac };

    static bool supported(unsigned char option);
    Option* find(unsigned char option);
    const Option* find(unsigned char option) const;
    void command(unsigned char c, std::string& data);  // the byte after an IAC
    void negotiate(unsigned char verb, unsigned char option, int64_t t);
    void subnegotiation(int64_t t);
    void comPortCommand(unsigned char cmd, std::string_view value, int64_t t);
    void send(unsigned char verb, unsigned char option);
    void sendSub(unsigned char cmd, std::string_view value);
    void notify(unsigned char value, int64_t t);
    void dropSub(const char* reason, int64_t t);
    void checkComPortUp(bool before, int64_t t);

    Option binary_, sga_, comPort_;
    In in_ = In::Data;
    unsigned char verb_ = 0;
    std::string sub_;
    bool afterCr_ = false;
    SerialSettings settings_;
    bool suspended_ = false;
    bool cd_ = true, ri_ = false;
    Requests requests_;
    std::string out_;
    std::vector<std::string> journal_;
};

}  // namespace vt::sim
