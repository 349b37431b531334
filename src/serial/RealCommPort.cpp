#include "serial/RealCommPort.h"

#include <cstdlib>
#include <filesystem>

#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

#include "serial/Rfc2217.h"

namespace vt {

namespace {

// "9600,N,8,1": the rate and the frame; anything unreadable keeps Qt's default for that part.
struct LineSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits data = QSerialPort::Data8;
    QSerialPort::StopBits stop = QSerialPort::OneStop;
};

LineSettings parseSettings(const std::string& s) {
    LineSettings l;
    const size_t c1 = s.find(',');
    const long baud = std::strtol(s.substr(0, c1).c_str(), nullptr, 10);
    if (baud > 0) l.baud = static_cast<qint32>(baud);
    if (c1 != std::string::npos && c1 + 1 < s.size()) {
        switch (s[c1 + 1]) {
            case 'E':
            case 'e':
                l.parity = QSerialPort::EvenParity;
                break;
            case 'O':
            case 'o':
                l.parity = QSerialPort::OddParity;
                break;
            default:
                break;
        }
    }
    if (s.find(",7,") != std::string::npos) l.data = QSerialPort::Data7;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ",2") == 0) l.stop = QSerialPort::TwoStop;
    return l;
}

// A pseudo-terminal reports no modem lines.
bool isPseudoTerminal(const std::string& device) {
    std::error_code ec;
    const std::filesystem::path real = std::filesystem::weakly_canonical(device, ec);
    const std::string p = ec ? device : real.string();
    return p.rfind("/dev/pts/", 0) == 0 || p == "/dev/ptmx";
}

// A serial device or pseudo-terminal through QSerialPort. Modem lines are polled every 100 ms
// where the device has them.
class SerialTransport : public Transport {
  public:
    explicit SerialTransport(const std::string& device) : device_(device) {
        QObject::connect(&port_, &QSerialPort::readyRead, [this] {
            if (events.dataArrived) events.dataArrived();
        });
        QObject::connect(&port_, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
            switch (e) {
                case QSerialPort::ResourceError:
                case QSerialPort::ReadError:
                case QSerialPort::WriteError:
                    gone(port_.errorString().toStdString());
                    break;
                default:
                    break;
            }
        });
        QObject::connect(&poll_, &QTimer::timeout, [this] { pollLines(); });
    }

    bool open(const std::string& settings, int handshaking, bool rts, std::string* error) override {
        port_.setPortName(QString::fromStdString(device_));
        applySettings(settings, handshaking);
        if (!port_.open(QIODevice::ReadWrite)) {
            if (error) *error = device_ + ": " + port_.errorString().toStdString();
            return false;
        }
        lines_ = !isPseudoTerminal(device_);
        if (lines_) {
            port_.pinoutSignals();
            if (port_.error() != QSerialPort::NoError) {
                lines_ = false;  // the device has no modem lines to read
                port_.clearError();
            }
        }
        setRts(rts);
        if (lines_) {
            pollLines();
            poll_.start(100);
        }
        return true;
    }
    void close() override {
        poll_.stop();
        if (port_.isOpen()) port_.close();
    }
    void read(std::string& appendTo) override {
        const qint64 n = port_.bytesAvailable();
        if (n <= 0) return;
        const size_t at = appendTo.size();
        appendTo.resize(at + static_cast<size_t>(n));
        const qint64 got = port_.read(appendTo.data() + at, n);
        appendTo.resize(at + static_cast<size_t>(got > 0 ? got : 0));
    }
    void write(std::string_view bytes) override { port_.write(bytes.data(), static_cast<qint64>(bytes.size())); }
    int bytesToWrite() const override { return static_cast<int>(port_.bytesToWrite()); }
    void clearOutput() override { port_.clear(QSerialPort::Output); }
    void setRts(bool on) override {
        // With RTS/CTS the driver owns the line.
        if (port_.isOpen() && port_.flowControl() != QSerialPort::HardwareControl && lines_) port_.setRequestToSend(on);
    }
    bool hasModemLines() const override { return lines_; }
    bool cd() const override { return signals_ & QSerialPort::DataCarrierDetectSignal; }
    bool cts() const override { return signals_ & QSerialPort::ClearToSendSignal; }
    bool dsr() const override { return signals_ & QSerialPort::DataSetReadySignal; }
    bool ring() const override { return signals_ & QSerialPort::RingIndicatorSignal; }

  private:
    void applySettings(const std::string& settings, int handshaking) {
        const LineSettings l = parseSettings(settings);
        port_.setBaudRate(l.baud);
        port_.setParity(l.parity);
        port_.setDataBits(l.data);
        port_.setStopBits(l.stop);
        // Qt has no mode for both: RTS/CTS covers the line's needs.
        port_.setFlowControl(handshaking == 1   ? QSerialPort::SoftwareControl
                             : handshaking >= 2 ? QSerialPort::HardwareControl
                                                : QSerialPort::NoFlowControl);
    }
    void pollLines() {
        const QSerialPort::PinoutSignals now = port_.pinoutSignals();
        if (port_.error() != QSerialPort::NoError) {
            port_.clearError();
            return;
        }
        if (now != signals_) {
            signals_ = now;
            if (events.linesChanged) events.linesChanged();
        }
    }
    void gone(const std::string& reason) {
        if (gone_) return;
        gone_ = true;
        poll_.stop();
        if (events.lost) events.lost(reason);
    }

    std::string device_;
    QSerialPort port_;
    QTimer poll_;
    bool lines_ = false;
    bool gone_ = false;
    QSerialPort::PinoutSignals signals_;
};

// A serial port behind a network device server: raw TCP ("tcp://host:port", no modem lines) or
// RFC 2217 ("rfc2217://host:port": the line's settings and modem lines over Telnet).
class NetworkTransport : public Transport {
  public:
    NetworkTransport(std::string host, quint16 port, bool rfc2217)
        : host_(std::move(host)), port_(port), rfc2217_(rfc2217) {
        QObject::connect(&socket_, &QTcpSocket::readyRead, [this] { arrived(); });
        QObject::connect(&socket_, &QTcpSocket::disconnected, [this] { gone("the server closed the connection"); });
        QObject::connect(&socket_, &QTcpSocket::errorOccurred, [this](QAbstractSocket::SocketError) {
            if (open_) gone(socket_.errorString().toStdString());
        });
    }
    bool open(const std::string& settings, int handshaking, bool rts, std::string* error) override {
        socket_.connectToHost(QString::fromStdString(host_), port_);
        if (!socket_.waitForConnected(kConnectMs)) {
            if (error) *error = host_ + ":" + std::to_string(port_) + ": " + socket_.errorString().toStdString();
            socket_.abort();
            return false;
        }
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        open_ = true;
        if (rfc2217_) {
            send(client_.start(parseSettings(settings).baud, handshaking));
            if (handshaking < 2) send(client_.setRts(rts));
        }
        return true;
    }
    void close() override {
        open_ = false;
        socket_.abort();
    }
    void read(std::string& appendTo) override {
        take();
        appendTo += data_;
        data_.clear();
    }
    void write(std::string_view bytes) override {
        if (rfc2217_)
            send(Rfc2217Client::escape(bytes));
        else
            socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    int bytesToWrite() const override { return static_cast<int>(socket_.bytesToWrite()); }
    void clearOutput() override {
        if (rfc2217_) send(client_.purge(false, true));
    }
    void purgeInput() override {
        data_.clear();
        if (rfc2217_) send(client_.purge(true, false));
    }
    void setRts(bool on) override {
        if (rfc2217_ && open_) send(client_.setRts(on));
    }
    bool hasModemLines() const override { return rfc2217_ && client_.comPort(); }
    bool cd() const override { return client_.modemState() & Rfc2217Client::kCD; }
    bool cts() const override { return client_.modemState() & Rfc2217Client::kCTS; }
    bool dsr() const override { return client_.modemState() & Rfc2217Client::kDSR; }
    bool ring() const override { return client_.modemState() & Rfc2217Client::kRI; }

  private:
    static constexpr int kConnectMs = 5000;
    void send(const std::string& bytes) { socket_.write(bytes.data(), static_cast<qint64>(bytes.size())); }
    void arrived() {
        take();
        if (!data_.empty() && events.dataArrived) events.dataArrived();
    }
    // What the socket holds, through the Telnet decoding.
    void take() {
        if (socket_.bytesAvailable() <= 0) return;
        const QByteArray in = socket_.readAll();
        if (!rfc2217_) {
            data_.append(in.constData(), static_cast<size_t>(in.size()));
        } else {
            std::string reply;
            const bool linesChanged =
                client_.feed(std::string_view(in.constData(), static_cast<size_t>(in.size())), data_, reply);
            if (!reply.empty()) send(reply);
            if (linesChanged && events.linesChanged) events.linesChanged();
        }
    }
    void gone(const std::string& reason) {
        if (!open_) return;
        open_ = false;
        if (events.lost) events.lost(reason);
    }
    std::string host_;
    quint16 port_;
    bool rfc2217_;
    bool open_ = false;
    QTcpSocket socket_;
    Rfc2217Client client_;
    std::string data_;
};

// "rfc2217://host:port" or "tcp://host:port": the scheme, the host and the port, or false.
bool networkDevice(const std::string& device, bool& rfc2217, std::string& host, quint16& port) {
    std::string rest;
    if (device.rfind("rfc2217://", 0) == 0) {
        rfc2217 = true;
        rest = device.substr(10);
    } else if (device.rfind("tcp://", 0) == 0) {
        rfc2217 = false;
        rest = device.substr(6);
    } else {
        return false;
    }
    const size_t colon = rest.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = rest.substr(0, colon);
    const long p = std::strtol(rest.c_str() + colon + 1, nullptr, 10);
    if (p <= 0 || p > 65535) return false;
    port = static_cast<quint16>(p);
    return true;
}

// A device name that cannot be opened says why.
class BadDevice : public Transport {
  public:
    explicit BadDevice(std::string why) : why_(std::move(why)) {}
    bool open(const std::string&, int, bool, std::string* error) override {
        if (error) *error = why_;
        return false;
    }
    void close() override {}
    void read(std::string&) override {}
    void write(std::string_view) override {}
    int bytesToWrite() const override { return 0; }
    void clearOutput() override {}
    void setRts(bool) override {}
    bool hasModemLines() const override { return false; }
    bool cd() const override { return false; }
    bool cts() const override { return false; }
    bool dsr() const override { return false; }
    bool ring() const override { return false; }

  private:
    std::string why_;
};

}  // namespace

std::string comDevicePath(int n) {
    const std::string var = "VELTRA_COM" + std::to_string(n);
    if (const char* set = std::getenv(var.c_str()); set && *set) return set;
    const std::string usb = "/dev/ttyUSB" + std::to_string(n - 1);
    std::error_code ec;
    if (std::filesystem::exists(usb, ec)) return usb;
    return "/dev/ttyS" + std::to_string(n - 1);
}

std::unique_ptr<Transport> makeTransport(const std::string& device) {
    if (device.find("://") == std::string::npos) return std::make_unique<SerialTransport>(device);
    bool rfc2217 = false;
    std::string host;
    quint16 port = 0;
    if (!networkDevice(device, rfc2217, host, port))
        return std::make_unique<BadDevice>(device + ": not a device (rfc2217://HOST:PORT or tcp://HOST:PORT)");
    return std::make_unique<NetworkTransport>(host, port, rfc2217);
}

RealCommPort::RealCommPort() = default;

RealCommPort::~RealCommPort() {
    if (transport_) transport_->close();
}

void RealCommPort::setSettings(const std::string& s) {
    CommPort::setSettings(s);
    if (transport_) {
        // A new rate on an open port takes effect at once.
        transport_->close();
        std::string error;
        if (!transport_->open(settings_, handshaking_, rtsEnable_, &error)) lost(error);
    }
}

void RealCommPort::setHandshaking(int h) { CommPort::setHandshaking(h); }

bool RealCommPort::setPortOpen(bool open, std::string* error) {
    if (open == portOpen()) {
        if (error) *error = open ? "Port already open" : "Port already closed";
        return false;
    }
    if (!open) {
        transport_->close();
        transport_.reset();
        in_.clear();
        return true;
    }
    const std::string device = devicePath();
    auto t = makeTransport(device);
    t->events.dataArrived = [this] { dataArrived(); };
    t->events.lost = [this](const std::string& reason) { lost(reason); };
    t->events.linesChanged = [this] { linesChanged(); };
    if (!t->open(settings_, handshaking_, rtsEnable_, error)) return false;
    transport_ = std::move(t);
    in_.clear();
    lostReason_.clear();
    cd_ = transport_->cd();
    cts_ = transport_->cts();
    dsr_ = transport_->dsr();
    ring_ = transport_->ring();
    return true;
}

void RealCommPort::clearInBuffer() {
    in_.clear();
    if (transport_) transport_->purgeInput();
}

int RealCommPort::outBufferCount() const { return transport_ ? transport_->bytesToWrite() : 0; }

void RealCommPort::clearOutBuffer() {
    if (transport_) transport_->clearOutput();
}

void RealCommPort::input(std::string& into) {
    pull();
    const size_t n = inputLen_ <= 0 ? in_.size() : std::min(in_.size(), static_cast<size_t>(inputLen_));
    into.assign(in_, 0, n);
    in_.erase(0, n);
    taken_ += n;
}

void RealCommPort::output(std::string_view bytes) {
    if (transport_) transport_->write(bytes);
}

void RealCommPort::setRThreshold(int n) {
    CommPort::setRThreshold(n);
    fireReceive();  // bytes already waiting count against the new threshold
}

void RealCommPort::setRTSEnable(bool on) {
    CommPort::setRTSEnable(on);
    if (transport_) transport_->setRts(on);
}

bool RealCommPort::cdHolding() const { return transport_ && (!transport_->hasModemLines() || cd_); }

bool RealCommPort::reportsModemLines() const {
    if (transport_) return transport_->hasModemLines();
    const std::string device = devicePath();
    if (device.rfind("tcp://", 0) == 0) return false;
    return !isPseudoTerminal(device);
}

void RealCommPort::pull() const {
    if (transport_) transport_->read(in_);
}

void RealCommPort::dataArrived() {
    pull();
    fireReceive();
}

void RealCommPort::fireReceive() {
    // The handler may let events run and so be asked again from inside: the bytes wait in the
    // buffer and the outer loop takes them when it returns.
    if (firing_) return;
    firing_ = true;
    while (transport_ && rThreshold_ > 0 && static_cast<int>(in_.size()) >= rThreshold_) {
        // Bytes may arrive while the handler runs, so what it took is counted, not the size.
        const uint64_t before = taken_;
        fire(comEvReceive);
        if (taken_ == before) break;  // the handler took nothing: wait for more bytes
    }
    firing_ = false;
}

void RealCommPort::linesChanged() {
    if (!transport_) return;
    const bool cd = transport_->cd(), cts = transport_->cts(), dsr = transport_->dsr(), ring = transport_->ring();
    const bool was[4] = {cd_, cts_, dsr_, ring_};
    cd_ = cd;
    cts_ = cts;
    dsr_ = dsr;
    ring_ = ring;
    if (cts != was[1]) fire(comEvCTS);
    if (dsr != was[2]) fire(comEvDSR);
    if (ring && !was[3]) fire(comEvRing);
    if (cd != was[0]) fire(comEvCD);
}

void RealCommPort::lost(const std::string& reason) {
    if (!transport_) return;
    // Closed here, after the current signal: the transport may still be on the call stack.
    Transport* gone = transport_.release();
    gone->close();
    QTimer::singleShot(0, [gone] { delete gone; });
    in_.clear();
    lostReason_ = reason.empty() ? "the device went away" : reason;
    fire(comEventPortLost);
}

}  // namespace vt
