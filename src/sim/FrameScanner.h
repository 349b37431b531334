// The logger's 25-byte frames cut out of a byte stream that may carry other bytes between them
// (modem text, noise): a frame is STX at byte 0 and ETB at byte 24; when byte 24 is not ETB the
// search starts again at the next STX inside, and the bytes passed over are text.
//
// Plain C++.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vt::sim {

class FrameScanner {
  public:
    static constexpr std::size_t kMaxText = 256;  // a longer run of text is handed on in pieces

    struct Piece {
        bool frame = false;
        std::string bytes;
    };
    // Whole frames and runs of text, in the order they arrived. Text is handed on when a frame
    // begins, when the bytes run out outside a frame, or at kMaxText.
    std::vector<Piece> feed(std::string_view bytes);
    // Forgets a frame begun and text not yet handed on.
    void reset();

  private:
    std::string frame_;
    std::string text_;
};

}  // namespace vt::sim
