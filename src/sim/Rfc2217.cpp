#include "sim/Rfc2217.h"

#include "sim/Journal.h"

namespace vt::sim {

namespace {

using namespace telnet;

constexpr const char* kSignatureText = "veltra-logger-sim";
constexpr std::uint32_t kMinBaud = 50, kMaxBaud = 4000000;

const char* verbName(unsigned char verb) {
    switch (verb) {
        case kWILL:
            return "WILL";
        case kWONT:
            return "WONT";
        case kDO:
            return "DO";
        case kDONT:
            return "DONT";
        default:
            return "?";
    }
}

const char* commandName(unsigned char cmd) {
    static constexpr const char* kNames[] = {
        "signature",          "set-baudrate",        "set-datasize",      "set-parity",          "set-stopsize",
        "set-control",        "notify-linestate",    "notify-modemstate", "flowcontrol-suspend", "flowcontrol-resume",
        "set-linestate-mask", "set-modemstate-mask", "purge-data"};
    return cmd < sizeof kNames / sizeof kNames[0] ? kNames[cmd] : "unknown";
}

std::string byteText(unsigned char b) { return std::string(1, static_cast<char>(b)); }

}  // namespace

Rfc2217Server::Rfc2217Server(std::uint32_t baud) { settings_.baud = baud; }

bool Rfc2217Server::supported(unsigned char option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

Rfc2217Server::Option* Rfc2217Server::find(unsigned char option) {
    switch (option) {
        case kBinary:
            return &binary_;
        case kSuppressGoAhead:
            return &sga_;
        case kComPort:
            return &comPort_;
        default:
            return nullptr;
    }
}

const Rfc2217Server::Option* Rfc2217Server::find(unsigned char option) const {
    return const_cast<Rfc2217Server*>(this)->find(option);
}

bool Rfc2217Server::hisOption(unsigned char option) const {
    const Option* o = find(option);
    return o && o->him == Q::Yes;
}

bool Rfc2217Server::ourOption(unsigned char option) const {
    const Option* o = find(option);
    return o && o->us == Q::Yes;
}

bool Rfc2217Server::comPortUp() const { return comPort_.us == Q::Yes || comPort_.him == Q::Yes; }

unsigned char Rfc2217Server::modemState() const {
    return static_cast<unsigned char>((cd_ ? comport::kCD : 0) | (ri_ ? comport::kRI : 0) | comport::kDSR |
                                      comport::kCTS);
}

// ---- output ---------------------------------------------------------------------------------

void Rfc2217Server::send(unsigned char verb, unsigned char option) {
    out_ += static_cast<char>(kIAC);
    out_ += static_cast<char>(verb);
    out_ += static_cast<char>(option);
}

void Rfc2217Server::sendSub(unsigned char cmd, std::string_view value) {
    out_ += static_cast<char>(kIAC);
    out_ += static_cast<char>(kSB);
    out_ += static_cast<char>(kComPort);
    out_ += static_cast<char>(cmd + comport::kServer);
    for (char c : value) {
        out_ += c;
        if (static_cast<unsigned char>(c) == kIAC) out_ += c;
    }
    out_ += static_cast<char>(kIAC);
    out_ += static_cast<char>(kSE);
}

void Rfc2217Server::toClient(std::string_view data) {
    for (char c : data) {
        out_ += c;
        if (static_cast<unsigned char>(c) == kIAC) out_ += c;
    }
}

void Rfc2217Server::notify(unsigned char value, int64_t t) {
    sendSub(comport::kNotifyModemState, byteText(value));
    journal_.push_back(JsonLine(t, "notify").add("modemstate", int(value)).str());
}

void Rfc2217Server::start(int64_t t) {
    // Ours first, then what we would like of the client; the com port is the client's to offer
    // in the first place, so we only ask for it.
    for (unsigned char opt : {kBinary, kSuppressGoAhead}) {
        Option& o = *find(opt);
        o.us = Q::WantYes;
        send(kWILL, opt);
        o.him = Q::WantYes;
        send(kDO, opt);
        journal_.push_back(JsonLine(t, "telnet").add("sent", "WILL").add("option", int(opt)).str());
        journal_.push_back(JsonLine(t, "telnet").add("sent", "DO").add("option", int(opt)).str());
    }
    comPort_.him = Q::WantYes;
    send(kDO, kComPort);
    journal_.push_back(JsonLine(t, "telnet").add("sent", "DO").add("option", int(kComPort)).str());
}

void Rfc2217Server::setModemLines(bool cd, bool ri, int64_t t) {
    const unsigned char before = modemState();
    cd_ = cd;
    ri_ = ri;
    const unsigned char now = modemState();
    if (now == before || !comPortUp()) return;
    unsigned char delta = 0;
    if ((now ^ before) & comport::kCD) delta |= comport::kDeltaCD;
    if ((before & comport::kRI) && !(now & comport::kRI)) delta |= comport::kTrailingRI;
    const unsigned char mask = settings_.modemStateMask;
    if ((((now ^ before) | delta) & mask) == 0) return;
    notify(static_cast<unsigned char>((now | delta) & mask), t);
}

// ---- input ----------------------------------------------------------------------------------

std::string Rfc2217Server::fromClient(std::string_view bytes, int64_t t) {
    std::string data;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        switch (in_) {
            case In::Data:
                if (c == kIAC) {
                    in_ = In::Iac;
                } else {
                    // A client that does not send binary writes CR as CR NUL.
                    if (!(afterCr_ && c == 0 && !hisOption(kBinary))) data += static_cast<char>(c);
                    afterCr_ = c == '\r';
                }
                break;
            case In::Iac:
                command(c, data);
                break;
            case In::Verb:
                in_ = In::Data;
                negotiate(verb_, c, t);
                break;
            case In::Sub:
                if (c == kIAC) {
                    in_ = In::SubIac;
                } else {
                    sub_ += static_cast<char>(c);
                    if (sub_.size() > kMaxSubnegotiation) dropSub("no IAC SE within 64 bytes", t);
                }
                break;
            case In::SubIac:
                if (c == kIAC) {
                    sub_ += static_cast<char>(c);
                    in_ = In::Sub;
                    if (sub_.size() > kMaxSubnegotiation) dropSub("no IAC SE within 64 bytes", t);
                } else if (c == kSE) {
                    in_ = In::Data;
                    subnegotiation(t);
                } else {
                    // Another command inside a subnegotiation: the subnegotiation was cut short.
                    dropSub("IAC command inside it", t);
                    command(c, data);
                }
                break;
        }
    }
    return data;
}

void Rfc2217Server::command(unsigned char c, std::string& data) {
    in_ = In::Data;
    if (c == kIAC) {
        data += static_cast<char>(c);
        afterCr_ = false;
    } else if (c == kWILL || c == kWONT || c == kDO || c == kDONT) {
        verb_ = c;
        in_ = In::Verb;
    } else if (c == kSB) {
        sub_.clear();
        in_ = In::Sub;
    }
    // Any other command (NOP, BRK, AYT, GA, a stray SE) carries nothing for the line.
}

void Rfc2217Server::dropSub(const char* reason, int64_t t) {
    journal_.push_back(JsonLine(t, "telnet").add("dropped", long(sub_.size())).add("reason", reason).str());
    sub_.clear();
    in_ = In::Data;
}

void Rfc2217Server::checkComPortUp(bool before, int64_t t) {
    // Once the option is up, the client learns the lines as they are.
    if (!before && comPortUp()) notify(static_cast<unsigned char>(modemState() & settings_.modemStateMask), t);
}

void Rfc2217Server::negotiate(unsigned char verb, unsigned char option, int64_t t) {
    JsonLine j(t, "telnet");
    j.add("got", verbName(verb)).add("option", int(option));
    const bool wasUp = comPortUp();
    Option* o = find(option);
    const char* answer = nullptr;
    auto say = [&](unsigned char v) {
        send(v, option);
        answer = verbName(v);
    };
    switch (verb) {
        case kWILL:
            if (!o) {
                say(kDONT);
            } else if (o->him == Q::No) {
                o->him = Q::Yes;
                say(kDO);
            } else {
                o->him = Q::Yes;  // the answer to our DO, or a repeat: nothing to say
            }
            break;
        case kWONT:
            if (o && o->him == Q::Yes) {
                o->him = Q::No;
                say(kDONT);
            } else if (o) {
                o->him = Q::No;  // refused our DO
            }
            break;
        case kDO:
            if (!o) {
                say(kWONT);
            } else if (o->us == Q::No) {
                o->us = Q::Yes;
                say(kWILL);
            } else {
                o->us = Q::Yes;
            }
            break;
        case kDONT:
            if (o && o->us == Q::Yes) {
                o->us = Q::No;
                say(kWONT);
            } else if (o) {
                o->us = Q::No;
            }
            break;
        default:
            break;
    }
    if (answer) j.add("sent", answer);
    journal_.push_back(j.str());
    checkComPortUp(wasUp, t);
}

void Rfc2217Server::subnegotiation(int64_t t) {
    if (sub_.empty()) return;
    const auto option = static_cast<unsigned char>(sub_[0]);
    if (option != kComPort || sub_.size() < 2) {
        journal_.push_back(JsonLine(t, "telnet")
                               .add("subnegotiation", int(option))
                               .add("reason", option != kComPort ? "not the com port option" : "no command")
                               .str());
        return;
    }
    comPortCommand(static_cast<unsigned char>(sub_[1]), std::string_view(sub_).substr(2), t);
}

void Rfc2217Server::comPortCommand(unsigned char cmd, std::string_view value, int64_t t) {
    using namespace comport;
    JsonLine j(t, "comport");
    j.add("command", commandName(cmd));
    auto cutShort = [&](std::size_t need) {
        if (value.size() >= need) return false;
        journal_.push_back(j.add("error", "value cut short").str());
        return true;
    };
    auto one = [&]() { return static_cast<unsigned char>(value[0]); };
    auto answer = [&](int v) {
        sendSub(cmd, byteText(static_cast<unsigned char>(v)));
        journal_.push_back(j.add("reply", v).str());
    };
    // A one-byte setting: 0 asks, lo..hi sets, anything else leaves it.
    auto setting = [&](int& field, int lo, int hi) {
        if (cutShort(1)) return;
        const int v = one();
        j.add("value", v);
        if (v >= lo && v <= hi) field = v;
        answer(field);
    };

    switch (cmd) {
        case kSignature:
            if (value.empty()) {
                sendSub(cmd, kSignatureText);
                journal_.push_back(j.add("reply", kSignatureText).str());
            } else {
                journal_.push_back(j.add("text", value).str());
            }
            break;
        case kSetBaudRate: {
            if (cutShort(4)) return;
            std::uint32_t v = 0;
            for (int k = 0; k < 4; ++k) v = (v << 8) | static_cast<unsigned char>(value[std::size_t(k)]);
            j.add("value", long(v));
            if (v >= kMinBaud && v <= kMaxBaud) {
                settings_.baud = v;
                requests_.baud = v;
            }
            const std::uint32_t b = settings_.baud;
            const char reply[4] = {char(b >> 24), char(b >> 16), char(b >> 8), char(b)};
            sendSub(cmd, std::string_view(reply, 4));
            journal_.push_back(j.add("reply", long(b)).str());
            break;
        }
        case kSetDataSize:
            setting(settings_.dataSize, 5, 8);
            break;
        case kSetParity:
            setting(settings_.parity, 1, 5);
            break;
        case kSetStopSize:
            setting(settings_.stopSize, 1, 3);
            break;
        case kSetControl: {
            if (cutShort(1)) return;
            const int v = one();
            j.add("value", v);
            int reply = v;
            switch (v) {
                case 0:
                    reply = settings_.flow;
                    break;
                case 1:
                case 2:
                case 3:
                case 17:
                case 19:
                    settings_.flow = v;
                    break;
                case 4:
                    reply = settings_.breakOn ? 5 : 6;
                    break;
                case 5:
                case 6:
                    settings_.breakOn = v == 5;
                    break;
                case 7:
                    reply = settings_.dtr ? 8 : 9;
                    break;
                case 8:
                case 9:
                    if (settings_.dtr && v == 9) requests_.dtrOff = true;
                    settings_.dtr = v == 8;
                    break;
                case 10:
                    reply = settings_.rts ? 11 : 12;
                    break;
                case 11:
                case 12:
                    settings_.rts = v == 11;
                    break;
                case 13:
                    reply = settings_.inboundFlow;
                    break;
                case 14:
                case 15:
                case 16:
                case 18:
                    settings_.inboundFlow = v;
                    break;
                default:
                    break;  // unknown: said back as it came
            }
            answer(reply);
            break;
        }
        case kNotifyLineState:
            answer(kLineState);
            break;
        case kNotifyModemState:
            answer(modemState());
            break;
        case kFlowSuspend:
        case kFlowResume:
            suspended_ = cmd == kFlowSuspend;
            journal_.push_back(j.str());
            break;
        case kSetLineStateMask:
        case kSetModemStateMask: {
            if (cutShort(1)) return;
            unsigned char& mask = cmd == kSetLineStateMask ? settings_.lineStateMask : settings_.modemStateMask;
            mask = one();
            j.add("value", int(mask));
            answer(mask);
            break;
        }
        case kPurgeData: {
            if (cutShort(1)) return;
            const int v = one();
            j.add("value", v);
            if (v == 1 || v == 3) requests_.purgeReceive = true;
            if (v == 2 || v == 3) requests_.purgeTransmit = true;
            answer(v);
            break;
        }
        default:
            journal_.push_back(j.add("value", int(cmd)).add("error", "unknown command").str());
            break;
    }
}

}  // namespace vt::sim
