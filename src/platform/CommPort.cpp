#include "platform/CommPort.h"

#include <algorithm>

namespace vt {

bool MemoryCommPort::setPortOpen(bool open, std::string* error) {
    if (open && open_) {
        if (error) *error = "Port already open";
        return false;
    }
    if (!open && !open_) {
        if (error) *error = "Port already closed";
        return false;
    }
    if (open && failOpen) {
        if (error) *error = "Port is in use";
        return false;
    }
    open_ = open;
    if (!open) {
        in_.clear();
        pendingOut_.clear();
    }
    return true;
}

void MemoryCommPort::input(std::string& into) {
    size_t n = inputLen_ <= 0 ? in_.size() : std::min(in_.size(), static_cast<size_t>(inputLen_));
    into.assign(in_, 0, n);
    in_.erase(0, n);
    taken_ += n;
}

void MemoryCommPort::output(std::string_view bytes) {
    if (!open_) return;
    pendingOut_ += bytes;
    if (autoDrain) drain();
}

void MemoryCommPort::drain() {
    if (pendingOut_.empty()) return;
    written += pendingOut_;
    std::string sent;
    sent.swap(pendingOut_);
    if (onWritten) onWritten(sent);
}

void MemoryCommPort::vanish(const std::string& reason) {
    if (!open_) return;
    open_ = false;
    in_.clear();
    pendingOut_.clear();
    lostReason_ = reason;
    fire(comEventPortLost);
}

void MemoryCommPort::receive(std::string_view bytes) {
    if (!open_) return;
    in_ += bytes;
    while (rThreshold_ > 0 && static_cast<int>(in_.size()) >= rThreshold_) {
        // Bytes may arrive while the handler runs, so what it took is counted, not the size.
        const uint64_t before = taken_;
        fire(comEvReceive);
        if (taken_ == before) break;  // the handler did not read: wait for more bytes
    }
}

void MemoryCommPort::setCD(bool on) {
    if (cd_ == on) return;
    cd_ = on;
    if (open_) fire(comEvCD);
}

}  // namespace vt
