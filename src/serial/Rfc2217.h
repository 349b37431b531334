// The client side of RFC 2217 (the Telnet COM port control option): a serial port behind a
// network device server. Plain C++ over bytes, so it is tested and fuzzed without a socket.
//
// The client offers BINARY, SUPPRESS-GO-AHEAD and COM-PORT-OPTION both ways and refuses every
// other option; it sets the line (speed, 8 data bits, no parity, one stop bit, flow control)
// and asks for every modem-state change. Data bytes 0xFF are doubled both ways.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt {

class Rfc2217Client {
  public:
    // Telnet and the option's commands.
    static constexpr uint8_t kIAC = 255, kWILL = 251, kWONT = 252, kDO = 253, kDONT = 254, kSB = 250, kSE = 240;
    static constexpr uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;
    enum Command : uint8_t {
        kSetBaudRate = 1,
        kSetDataSize = 2,
        kSetParity = 3,
        kSetStopSize = 4,
        kSetControl = 5,
        kNotifyLineState = 6,
        kNotifyModemState = 7,
        kSetModemStateMask = 11,
        kPurgeData = 12,
        kServer = 100,  // a server's answer carries the command + 100
    };
    // Modem-state bits of NOTIFY-MODEMSTATE.
    static constexpr uint8_t kCD = 0x80, kRI = 0x40, kDSR = 0x20, kCTS = 0x10;

    // The bytes that open the session: the option offers and the line's settings.
    std::string start(long baud, int handshaking);
    // A subnegotiation of the COM port option (its value bytes escaped).
    static std::string subnegotiation(Command command, std::string_view value);
    std::string setBaudRate(long baud) const;
    std::string setControl(int handshaking) const;
    std::string setRts(bool on) const;
    std::string purge(bool input, bool output) const;
    // Doubles every 0xFF of data to be sent.
    static std::string escape(std::string_view data);

    // Takes bytes from the server: data goes to `data`, the answers owed to the server to
    // `reply`. Returns true when the modem state changed.
    bool feed(std::string_view in, std::string& data, std::string& reply);

    // The server agreed to the COM port option: it reports modem lines.
    bool comPort() const { return comPortServer_; }
    uint8_t modemState() const { return modemState_; }

  private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    void option(uint8_t verb, uint8_t opt, std::string& reply);
    bool subDone();
    State state_ = State::Data;
    uint8_t verb_ = 0;
    std::string sub_;
    bool subOverflow_ = false;
    // What each side has agreed to, so an answer is given once and negotiation never loops.
    bool weWill_[256] = {}, theyWill_[256] = {};
    bool comPortServer_ = false;
    uint8_t modemState_ = kCD | kDSR | kCTS;  // until the server says otherwise
};

}  // namespace vt
