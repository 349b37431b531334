// The terminal's real ports: a CommPort over a device the COM number stands for. The device is
// chosen when the port opens: a serial device or pseudo-terminal (QSerialPort), and (for modem
// lines behind a serial device server) network ports. Bytes are buffered here so that the
// receive event fires as the program's threshold asks, whatever chunks the device delivers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/CommPort.h"

namespace vt {

// COM n's device: $VELTRA_COMn when set; else /dev/ttyUSBn-1 when it exists (a USB serial
// adapter), else /dev/ttySn-1. A device may also be "rfc2217://HOST:PORT" (a serial port behind
// a device server, modem lines included) or "tcp://HOST:PORT" (raw bytes, no modem lines).
std::string comDevicePath(int n);

// What a device under a port does; one kind per device name.
class Transport {
  public:
    virtual ~Transport() = default;
    struct Events {
        std::function<void()> dataArrived;             // read() has bytes
        std::function<void(const std::string&)> lost;  // the device is gone; say why
        std::function<void()> linesChanged;            // a modem line changed
    };
    virtual bool open(const std::string& settings, int handshaking, bool rts, std::string* error) = 0;
    virtual void close() = 0;
    virtual void read(std::string& appendTo) = 0;
    virtual void write(std::string_view bytes) = 0;
    virtual int bytesToWrite() const = 0;
    virtual void clearOutput() = 0;
    virtual void purgeInput() {}  // a device server's own receive buffer
    virtual void setRts(bool on) = 0;
    // The modem lines; false when the device reports none.
    virtual bool hasModemLines() const = 0;
    virtual bool cd() const = 0;
    virtual bool cts() const = 0;
    virtual bool dsr() const = 0;
    virtual bool ring() const = 0;
    Events events;
};

// Makes the transport for a device name.
std::unique_ptr<Transport> makeTransport(const std::string& device);

class RealCommPort : public CommPort {
  public:
    RealCommPort();
    ~RealCommPort() override;

    std::string devicePath() const override { return device_.empty() ? comDevicePath(commPort_) : device_; }
    // A device named outright, whatever the COM number (the tool's --port).
    void setDevice(const std::string& path) { device_ = path; }
    void setSettings(const std::string& s) override;
    void setHandshaking(int h) override;
    bool setPortOpen(bool open, std::string* error) override;
    bool portOpen() const override { return transport_ != nullptr; }
    int inBufferCount() const override {
        pull();
        return static_cast<int>(in_.size());
    }
    void clearInBuffer() override;
    int outBufferCount() const override;
    void clearOutBuffer() override;
    using CommPort::input;
    void input(std::string& into) override;
    int peekInput() const override {
        pull();
        return in_.empty() ? -1 : static_cast<uint8_t>(in_[0]);
    }
    void peekAll(std::string& into) const override {
        pull();
        into = in_;
    }
    void output(std::string_view bytes) override;
    void setRThreshold(int n) override;
    void setRTSEnable(bool on) override;
    bool cdHolding() const override;
    bool reportsModemLines() const override;

  private:
    void dataArrived();
    // Takes in what the device holds: its arrival signal is not given again while the program
    // handles the last one (it lets events run inside), but the bytes are there.
    void pull() const;
    void fireReceive();
    void linesChanged();
    void lost(const std::string& reason);
    std::unique_ptr<Transport> transport_;
    std::string device_;
    mutable std::string in_;
    bool firing_ = false;
    uint64_t taken_ = 0;  // bytes the program has read
    bool cd_ = false, cts_ = false, dsr_ = false, ring_ = false;
};

}  // namespace vt
