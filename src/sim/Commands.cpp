#include "sim/Commands.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace vt::sim {

std::optional<std::string> CommandReader::take(unsigned char c) {
    if (c == frame::kSTX) {
        text_.clear();
        inFrame_ = true;
        overlong_ = false;
        return std::nullopt;
    }
    if (!inFrame_) return std::nullopt;
    if (c == frame::kETB) {
        inFrame_ = false;
        if (overlong_) return std::nullopt;
        return std::move(text_);
    }
    if (text_.size() >= kMaxText) {
        overlong_ = true;
        text_.clear();
        return std::nullopt;
    }
    if (!overlong_) text_ += static_cast<char>(c);
    return std::nullopt;
}

namespace {

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// A whole number as the terminal writes it: optional blanks, optional sign, digits.
bool wholeNumber(std::string_view s, long& out) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (s.empty() || s.size() > 20) return false;
    const std::string text(s);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    out = v;
    return true;
}

void parseMainBlock(std::string_view values, Command& c) {
    // values: ",v0,v1,...,v26"
    int slot = 0;
    while (!values.empty()) {
        if (values.front() != ',' || slot >= kMainSlots) return;
        values.remove_prefix(1);
        const size_t comma = values.find(',');
        const std::string_view item = values.substr(0, comma);
        if (!wholeNumber(item, c.main[static_cast<size_t>(slot)])) return;
        ++slot;
        values.remove_prefix(comma == std::string_view::npos ? values.size() : comma);
    }
    c.mainValid = slot == kMainSlots;
}

// "<from>- <to>" as the terminal writes it, blanks optional and a sign allowed on either number;
// without the dash only <from> is given (to 0). The dash between the two is the first one after
// a digit.
void parseLapRange(std::string_view range, Command& c) {
    size_t dash = std::string_view::npos;
    bool digit = false;
    for (size_t i = 0; i < range.size() && dash == std::string_view::npos; ++i) {
        if (range[i] >= '0' && range[i] <= '9') {
            digit = true;
        } else if (range[i] == '-' && digit) {
            dash = i;
        }
    }
    long from = 0, to = 0;
    if (dash == std::string_view::npos) {
        wholeNumber(range, from);
    } else {
        wholeNumber(range.substr(0, dash), from);
        wholeNumber(range.substr(dash + 1), to);
    }
    // Far beyond any lap either way; the clamp only keeps the numbers in an int.
    c.fromLap = static_cast<int>(std::clamp(from, -100000L, 100000L));
    c.toLap = static_cast<int>(std::clamp(to, -100000L, 100000L));
}

}  // namespace

Command parseCommand(std::string_view text) {
    Command c;
    c.text = std::string(text);
    if (text == "STRT") {
        c.kind = CommandKind::Start;
    } else if (text == "STOP") {
        c.kind = CommandKind::Stop;
    } else if (text == "PARA") {
        c.kind = CommandKind::Parameters;
    } else if (text == "CLR") {
        c.kind = CommandKind::Clear;
    } else if (text == "RATL" || text == "RATM" || text == "RATS") {
        c.kind = CommandKind::Rate;
        c.rate = text[3];
    } else if (text == "MAIN") {
        c.kind = CommandKind::MainRead;
    } else if (startsWith(text, "MAIN,")) {
        c.kind = CommandKind::MainWrite;
        parseMainBlock(text.substr(4), c);
    } else if (startsWith(text, "CRS")) {
        c.kind = CommandKind::Course;
    } else if (text == "MCLR") {
        c.kind = CommandKind::MemoryClear;
    } else if (text == "GD" || text == "NG") {
        c.kind = CommandKind::Ack;
        c.good = text == "GD";
    } else {
        for (std::string_view keyword : {"LOGP", "LOGN", "FASTA", "FASTB", "FASTC"}) {
            if (!startsWith(text, keyword)) continue;
            c.kind = CommandKind::Download;
            c.downloadMode = std::string(keyword);
            parseLapRange(text.substr(keyword.size()), c);
            break;
        }
    }
    return c;
}

const char* kindName(CommandKind kind) {
    switch (kind) {
        case CommandKind::Start:
            return "start";
        case CommandKind::Stop:
            return "stop";
        case CommandKind::Parameters:
            return "parameters";
        case CommandKind::Clear:
            return "clear";
        case CommandKind::Rate:
            return "rate";
        case CommandKind::MainRead:
            return "main-read";
        case CommandKind::MainWrite:
            return "main-write";
        case CommandKind::Course:
            return "course";
        case CommandKind::Download:
            return "download";
        case CommandKind::MemoryClear:
            return "memory-clear";
        case CommandKind::Ack:
            return "ack";
        case CommandKind::Unknown:
            break;
    }
    return "unknown";
}

}  // namespace vt::sim
