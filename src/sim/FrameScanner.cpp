#include "sim/FrameScanner.h"

#include <utility>

#include "layout/FrameLayout.h"

namespace vt::sim {

std::vector<FrameScanner::Piece> FrameScanner::feed(std::string_view bytes) {
    std::vector<Piece> out;
    auto handOnText = [&] {
        if (!text_.empty()) out.push_back({false, std::exchange(text_, {})});
    };
    for (char c : bytes) {
        if (frame_.empty()) {
            if (static_cast<unsigned char>(c) == frame::kSTX) {
                handOnText();
                frame_ += c;
            } else {
                text_ += c;
                if (text_.size() >= kMaxText) handOnText();
            }
            continue;
        }
        frame_ += c;
        if (frame_.size() < std::size_t(frame::kBytes)) continue;
        if (static_cast<unsigned char>(frame_[frame::kEnd]) == frame::kETB) {
            out.push_back({true, std::exchange(frame_, {})});
            continue;
        }
        // Not a frame after all: what lies before the next STX inside was text.
        const std::size_t next = frame_.find(static_cast<char>(frame::kSTX), 1);
        text_ += frame_.substr(0, next);
        frame_ = next == std::string::npos ? std::string() : frame_.substr(next);
        if (!frame_.empty() || text_.size() >= kMaxText) handOnText();
    }
    if (frame_.empty()) handOnText();
    return out;
}

void FrameScanner::reset() {
    frame_.clear();
    text_.clear();
}

}  // namespace vt::sim
