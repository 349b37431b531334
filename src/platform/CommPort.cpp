#include "platform/CommPort.h"

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

std::string MemoryCommPort::input() {
    size_t n = inputLen_ <= 0 ? in_.size() : std::min(in_.size(), static_cast<size_t>(inputLen_));
    std::string out = in_.substr(0, n);
    in_.erase(0, n);
    return out;
}

void MemoryCommPort::output(const std::string& bytes) {
    if (!open_) return;
    pendingOut_ += bytes;
    if (autoDrain) drain();
}

void MemoryCommPort::receive(const std::string& bytes) {
    if (!open_) return;
    in_ += bytes;
    while (rThreshold_ > 0 && static_cast<int>(in_.size()) >= rThreshold_) {
        size_t before = in_.size();
        fire(comEvReceive);
        if (in_.size() == before) break;  // the handler did not read: wait for more bytes
    }
}

void MemoryCommPort::setCD(bool on) {
    if (cd_ == on) return;
    cd_ = on;
    if (open_) fire(comEvCD);
}

}  // namespace vt
