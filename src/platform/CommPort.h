// Serial port control: the properties and the OnComm event the program uses.
//
// The terminal's link code talks to a CommPort only. The real one wraps QSerialPort; the
// in-memory one lets tests script the bytes the logger sends and read what the terminal
// wrote.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vt {

// CommEvent codes delivered with OnComm.
enum CommEventCode : int {
    comEvSend = 1,
    comEvReceive = 2,
    comEvCTS = 3,
    comEvDSR = 4,
    comEvCD = 5,
    comEvRing = 6,
    comEvEOF = 7,
    comEventBreak = 1001,
    comEventCTSTO = 1002,
    comEventDSRTO = 1003,
    comEventFrame = 1004,
    comEventOverrun = 1006,
    comEventCDTO = 1007,
    comEventRxOver = 1008,
    comEventRxParity = 1009,
    comEventTxFull = 1010,
    comEventDCB = 1011,
    // The device went away (unplugged, the far end closed): the port has closed itself and
    // lostReason() says why. Reported once.
    comEventPortLost = 1100,
};

enum class InputModeKind { Text = 0, Binary = 1 };

class CommPort {
  public:
    virtual ~CommPort() = default;

    // Port number n (1..) and the device it stands for.
    virtual void setCommPort(int n) { commPort_ = n; }
    int commPort() const { return commPort_; }
    virtual std::string devicePath() const = 0;

    // "9600,N,8,1"; Handshaking 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
    virtual void setSettings(const std::string& s) { settings_ = s; }
    const std::string& settings() const { return settings_; }
    virtual void setHandshaking(int h) { handshaking_ = h; }
    int handshaking() const { return handshaking_; }

    // Opening or closing; false with a readable error (the platform's text) on failure.
    virtual bool setPortOpen(bool open, std::string* error) = 0;
    virtual bool portOpen() const = 0;

    virtual int inBufferCount() const = 0;
    virtual void clearInBuffer() = 0;  // InBufferCount := 0
    virtual int outBufferCount() const = 0;
    virtual void clearOutBuffer() = 0;

    // Input: InputLen bytes (all when 0) of what has arrived, removed from the buffer. The
    // second form reuses the caller's string, so a frame read allocates nothing.
    std::string input() {
        std::string s;
        input(s);
        return s;
    }
    virtual void input(std::string& into) = 0;
    // The next byte waiting, left in the buffer; -1 when none waits.
    virtual int peekInput() const = 0;
    // Every byte waiting, left in the buffer.
    virtual void peekAll(std::string& into) const = 0;
    virtual void output(std::string_view bytes) = 0;

    void setInputLen(int n) { inputLen_ = n; }
    int inputLen() const { return inputLen_; }
    void setInputMode(InputModeKind m) { inputMode_ = m; }
    InputModeKind inputMode() const { return inputMode_; }
    // Receive event threshold: OnComm(comEvReceive) fires when at least this many bytes wait;
    // 0 switches receive events off.
    virtual void setRThreshold(int n) { rThreshold_ = n; }
    int rThreshold() const { return rThreshold_; }
    virtual void setRTSEnable(bool on) { rtsEnable_ = on; }
    bool rtsEnable() const { return rtsEnable_; }
    virtual bool cdHolding() const = 0;
    // False for a device without modem lines (a pseudo-terminal, a raw network port): it
    // reports no carrier changes, and its carrier counts as present, as on a direct cable.
    virtual bool reportsModemLines() const { return true; }

    int commEvent() const { return commEvent_; }
    // Why the port closed itself (comEventPortLost).
    const std::string& lostReason() const { return lostReason_; }
    std::function<void()> OnComm;

  protected:
    // Sets CommEvent and runs the handler.
    void fire(int code) {
        commEvent_ = code;
        if (OnComm) OnComm();
    }

    int commPort_ = 1;
    std::string settings_ = "9600,N,8,1";
    int handshaking_ = 0;
    int inputLen_ = 0;
    InputModeKind inputMode_ = InputModeKind::Text;
    int rThreshold_ = 0;
    bool rtsEnable_ = false;
    int commEvent_ = 0;
    std::string lostReason_;
};

// An in-memory port for tests and for the terminal before a device is configured.
class MemoryCommPort : public CommPort {
  public:
    std::string devicePath() const override { return "memory"; }
    bool setPortOpen(bool open, std::string* error) override;
    bool portOpen() const override { return open_; }
    int inBufferCount() const override { return static_cast<int>(in_.size()); }
    void clearInBuffer() override { in_.clear(); }
    int outBufferCount() const override { return static_cast<int>(pendingOut_.size()); }
    void clearOutBuffer() override { pendingOut_.clear(); }
    using CommPort::input;
    void input(std::string& into) override;
    int peekInput() const override { return in_.empty() ? -1 : static_cast<uint8_t>(in_[0]); }
    void peekAll(std::string& into) const override { into = in_; }
    void output(std::string_view bytes) override;
    bool cdHolding() const override { return cd_; }
    bool reportsModemLines() const override { return modemLines; }

    // Test side.
    void receive(std::string_view bytes);  // bytes from the far end; fires OnComm
    void drain();                          // the far end takes what was written
    void setCD(bool on);
    void event(int code) { fire(code); }              // a serial event such as a framing error
    void vanish(const std::string& reason);           // the device goes: the port closes itself
    bool autoDrain = true;                            // written bytes leave the buffer at once
    bool failOpen = false;                            // opening fails (port in use)
    bool modemLines = true;                           // the device reports its modem lines
    std::string written;                              // everything that left the port
    std::string pendingOut_;                          // written but not yet sent
    std::function<void(std::string_view)> onWritten;  // the far end sees the bytes leave

  private:
    uint64_t taken_ = 0;  // bytes the program has read
    bool open_ = false;
    bool cd_ = false;
    std::string in_;
};

}  // namespace vt
