#include "serial/Rfc2217.h"

namespace vt {

namespace {

// A subnegotiation longer than this is not one this client needs: it is dropped.
constexpr size_t kMaxSub = 64;

bool supported(uint8_t opt) {
    return opt == Rfc2217Client::kBinary || opt == Rfc2217Client::kSuppressGoAhead || opt == Rfc2217Client::kComPort;
}

std::string verb(uint8_t v, uint8_t opt) {
    return std::string{static_cast<char>(Rfc2217Client::kIAC), static_cast<char>(v), static_cast<char>(opt)};
}

std::string be32(long v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[static_cast<size_t>(i)] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
    return s;
}

}  // namespace

std::string Rfc2217Client::escape(std::string_view data) {
    std::string out;
    out.reserve(data.size());
    for (char c : data) {
        out += c;
        if (static_cast<uint8_t>(c) == kIAC) out += c;
    }
    return out;
}

std::string Rfc2217Client::subnegotiation(Command command, std::string_view value) {
    std::string s{static_cast<char>(kIAC), static_cast<char>(kSB), static_cast<char>(kComPort),
                  static_cast<char>(command)};
    s += escape(value);
    s += static_cast<char>(kIAC);
    s += static_cast<char>(kSE);
    return s;
}

std::string Rfc2217Client::setBaudRate(long baud) const { return subnegotiation(kSetBaudRate, be32(baud)); }

std::string Rfc2217Client::setControl(int handshaking) const {
    // 1 no flow control, 2 XON/XOFF, 3 hardware (RTS/CTS; "both" asks for hardware).
    const char value = static_cast<char>(handshaking == 1 ? 2 : handshaking >= 2 ? 3 : 1);
    return subnegotiation(kSetControl, std::string_view(&value, 1));
}

std::string Rfc2217Client::setRts(bool on) const {
    const char value = on ? 11 : 12;
    return subnegotiation(kSetControl, std::string_view(&value, 1));
}

std::string Rfc2217Client::purge(bool input, bool output) const {
    const char value = static_cast<char>(input && output ? 3 : input ? 1 : 2);
    return subnegotiation(kPurgeData, std::string_view(&value, 1));
}

std::string Rfc2217Client::start(long baud, int handshaking) {
    std::string s;
    for (uint8_t opt : {kBinary, kSuppressGoAhead, kComPort}) {
        s += verb(kWILL, opt);
        weWill_[opt] = true;
    }
    for (uint8_t opt : {kBinary, kSuppressGoAhead}) {
        s += verb(kDO, opt);
        theyWill_[opt] = true;
    }
    const char eight = 8, none = 1, one = 1, everything = static_cast<char>(0xFF);
    s += setBaudRate(baud);
    s += subnegotiation(kSetDataSize, std::string_view(&eight, 1));
    s += subnegotiation(kSetParity, std::string_view(&none, 1));
    s += subnegotiation(kSetStopSize, std::string_view(&one, 1));
    s += setControl(handshaking);
    s += subnegotiation(kSetModemStateMask, std::string_view(&everything, 1));
    return s;
}

void Rfc2217Client::option(uint8_t v, uint8_t opt, std::string& reply) {
    switch (v) {
        case kDO:
            if (!supported(opt)) {
                reply += verb(kWONT, opt);
            } else {
                if (!weWill_[opt]) reply += verb(kWILL, opt);
                weWill_[opt] = true;
                if (opt == kComPort) comPortServer_ = true;
            }
            break;
        case kDONT:
            if (weWill_[opt]) reply += verb(kWONT, opt);
            weWill_[opt] = false;
            if (opt == kComPort) comPortServer_ = false;
            break;
        case kWILL:
            if (!supported(opt)) {
                reply += verb(kDONT, opt);
            } else {
                if (!theyWill_[opt]) reply += verb(kDO, opt);
                theyWill_[opt] = true;
            }
            break;
        case kWONT:
            if (theyWill_[opt]) reply += verb(kDONT, opt);
            theyWill_[opt] = false;
            break;
        default:
            break;
    }
}

bool Rfc2217Client::subDone() {
    // IAC SB <option> <command> <value...> IAC SE, the option and what follows kept in sub_.
    if (subOverflow_ || sub_.size() < 3 || static_cast<uint8_t>(sub_[0]) != kComPort) return false;
    if (static_cast<uint8_t>(sub_[1]) != kServer + kNotifyModemState) return false;
    const uint8_t lines = static_cast<uint8_t>(sub_[2]) & 0xF0;  // the delta bits say nothing new here
    if (lines == modemState_) return false;
    modemState_ = lines;
    return true;
}

bool Rfc2217Client::feed(std::string_view in, std::string& data, std::string& reply) {
    bool changed = false;
    for (char ch : in) {
        const uint8_t c = static_cast<uint8_t>(ch);
        switch (state_) {
            case State::Data:
                if (c == kIAC)
                    state_ = State::Iac;
                else
                    data += ch;
                break;
            case State::Iac:
                if (c == kIAC) {
                    data += ch;  // a doubled 0xFF is one data byte
                    state_ = State::Data;
                } else if (c == kWILL || c == kWONT || c == kDO || c == kDONT) {
                    verb_ = c;
                    state_ = State::Option;
                } else if (c == kSB) {
                    sub_.clear();
                    subOverflow_ = false;
                    state_ = State::Sub;
                } else {
                    state_ = State::Data;  // NOP, GA, SE out of place and the like: nothing to do
                }
                break;
            case State::Option:
                option(verb_, c, reply);
                state_ = State::Data;
                break;
            case State::Sub:
                if (c == kIAC) {
                    state_ = State::SubIac;
                } else if (sub_.size() < kMaxSub) {
                    sub_ += ch;
                } else {
                    subOverflow_ = true;
                }
                break;
            case State::SubIac:
                if (c == kSE) {
                    changed = subDone() || changed;
                    state_ = State::Data;
                } else if (c == kIAC) {
                    if (sub_.size() < kMaxSub) sub_ += ch;
                    state_ = State::Sub;
                } else {
                    // A subnegotiation cut short by another command: drop it and take the command.
                    state_ = State::Iac;
                    const char again = ch;
                    std::string_view rest(&again, 1);
                    changed = feed(rest, data, reply) || changed;
                }
                break;
        }
    }
    return changed;
}

}  // namespace vt
