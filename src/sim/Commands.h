// What the terminal says to the logger: command frames (STX, ASCII text, ETB) taken out of the
// byte stream, and the one place where a command text is told apart into what it asks for.
//
// Plain C++.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "layout/FrameLayout.h"

namespace vt::sim {

// Collects command frames from a byte stream that may split a frame over several reads and may
// carry stray bytes between frames. Bytes outside STX..ETB are ignored; an STX inside a frame
// starts the frame again (the earlier start was noise); a frame longer than kMaxText is dropped.
class CommandReader {
  public:
    static constexpr std::size_t kMaxText = 512;

    // Feeds bytes; every complete frame's text is handed to `onText`.
    template <typename F>
    void feed(std::string_view bytes, F&& onText) {
        for (char c : bytes) {
            if (auto text = take(static_cast<unsigned char>(c))) onText(*text);
        }
    }
    // Whether a frame has begun and not yet ended.
    bool inFrame() const { return inFrame_; }

  private:
    std::optional<std::string> take(unsigned char c);

    std::string text_;
    bool inFrame_ = false;
    bool overlong_ = false;
};

enum class CommandKind {
    Start,        // "STRT"
    Stop,         // "STOP"
    Parameters,   // "PARA": one parameter frame
    Clear,        // "CLR"
    Rate,         // "RATL", "RATM", "RATS"
    MainRead,     // "MAIN": the parameter block as text
    MainWrite,    // "MAIN,v0,...,v26"
    Course,       // "CRS" number "-" strings ... "-"
    Download,     // "LOGP", "LOGN", "FASTA", "FASTB", "FASTC" and a lap range
    MemoryClear,  // "MCLR"
    Ack,          // "GD" / "NG" during a download
    Unknown,
};

inline constexpr int kMainSlots = frame::kMainSlotsSent;
using MainBlock = std::array<long, kMainSlots>;

struct Command {
    CommandKind kind = CommandKind::Unknown;
    std::string text;
    char rate = 0;               // Rate: 'L', 'M' or 'S'
    MainBlock main{};            // MainWrite: the 27 values
    bool mainValid = false;      // MainWrite: exactly 27 whole numbers
    std::string downloadMode;    // Download: the keyword
    int fromLap = 0, toLap = 0;  // Download: the lap range (to 0: the last lap held)
    bool good = false;           // Ack: "GD"
};

Command parseCommand(std::string_view text);

// A short name of the kind for the journal: "start", "stop", "parameters", ...
const char* kindName(CommandKind kind);

}  // namespace vt::sim
