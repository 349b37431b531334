#include "link/PortSettings.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <vector>

#include <QString>

#include "platform/NumText.h"
#include "platform/WholeFile.h"

namespace vt {

namespace {

// A settings file is a few hundred bytes; anything far larger is not one.
constexpr std::streamsize kMaxFileBytes = 64 * 1024;

// The fields of the list syntax: separated by commas or line ends; a field in double quotes
// runs to the closing quote (commas inside it kept) and the quotes are stripped.
class Fields {
  public:
    explicit Fields(const std::string& text) : s_(text) {}

    // The next field of a list input (several values on a line, or one per line).
    bool next(std::string& out) {
        skipBlanks();
        if (at_ >= s_.size()) return false;
        out.clear();
        if (s_[at_] == '"') {
            const size_t close = s_.find('"', at_ + 1);
            if (close == std::string::npos) return false;  // a quote that never ends
            out = s_.substr(at_ + 1, close - at_ - 1);
            at_ = close + 1;
        } else {
            while (at_ < s_.size() && s_[at_] != ',' && s_[at_] != '\r' && s_[at_] != '\n') out += s_[at_++];
            out = Trim(out);
        }
        skipBlanks();
        if (at_ < s_.size() && s_[at_] == ',') ++at_;
        return true;
    }

  private:
    void skipBlanks() {
        while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\r' || s_[at_] == '\n')) ++at_;
    }
    const std::string& s_;
    size_t at_ = 0;
};

bool wholeNumber(const std::string& text, int lo, int hi, int16_t& out) {
    if (text.empty() || text.size() > 6) return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i])) && !(i == 0 && text[i] == '-')) return false;
    const int v = std::stoi(text);
    if (v < lo || v > hi) return false;
    out = static_cast<int16_t>(v);
    return true;
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.resize(static_cast<size_t>(kMaxFileBytes) + 1);
    in.read(text.data(), kMaxFileBytes + 1);
    text.resize(static_cast<size_t>(in.gcount()));
    return !in.bad() && text.size() <= static_cast<size_t>(kMaxFileBytes);
}

bool writeFile(const std::string& path, const std::string& text, std::string* error) {
    return write_whole_file(path, text, error);
}

}  // namespace

CommPort& selectedPort(const Module1& m, MainformState& f) { return m.PortSel == 2 ? *f.MSComm2 : *f.MSComm1; }

std::string settingsPath(const Module1& m) {
    const std::string& name = m.PortSel == 2 ? m.PortSubFile : m.PortMainFile;
    return m.CurDir.empty() ? name : m.CurDir + "/" + name;
}

PortSettings defaultSettings(int portSel) {
    PortSettings rec;
    rec.ComPortNo = portSel == 2 ? 2 : 1;
    rec.BaudStr = "9600";
    rec.FlowNo = 2;
    rec.RetryVal = 0;
    rec.ATList = {"", "", "", "", portSel == 2 ? "AT&FS0=1" : "AT&F"};
    rec.ATCmd = "";
    return rec;
}

bool parse_settings(const std::string& text, PortSettings& rec) {
    Fields fields(text);
    std::string port, baud, flow, retry;
    if (!fields.next(port) || !fields.next(baud) || !fields.next(flow) || !fields.next(retry)) return false;
    PortSettings r;
    if (!wholeNumber(port, 1, 10, r.ComPortNo)) return false;
    // A rate is digits; one the dialog does not offer still opens the port at that rate.
    if (baud.empty() || baud.size() > 7 ||
        !std::all_of(baud.begin(), baud.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return false;
    r.BaudStr = baud;
    if (!wholeNumber(flow, 0, 3, r.FlowNo)) return false;
    if (!wholeNumber(retry, 0, 60, r.RetryVal)) return false;
    for (std::string& entry : r.ATList) {
        if (!fields.next(entry)) return false;
        if (entry.size() > 80) return false;  // no modem command is that long
    }
    r.ATCmd = r.ATList[0];
    rec = r;
    return true;
}

std::string settings_text(const PortSettings& rec) {
    std::string s = std::to_string(rec.ComPortNo) + "\r\n\"" + rec.BaudStr + "\"\r\n" + std::to_string(rec.FlowNo) +
                    "\r\n" + std::to_string(rec.RetryVal) + "\r\n";
    for (const std::string& entry : rec.ATList) s += "\"" + entry + "\"\r\n";
    return s;
}

PortSettings port_load(const Module1& m) {
    std::string text;
    PortSettings read;
    if (readFile(settingsPath(m), text) && parse_settings(text, read)) return read;
    return defaultSettings(m.PortSel);
}

bool port_save(const Module1& m, const PortSettings& rec, std::string* error) {
    return writeFile(settingsPath(m), settings_text(rec), error);
}

bool default_save(const Module1& m, std::string* error) {
    return writeFile(settingsPath(m), settings_text(defaultSettings(m.PortSel)), error);
}

void moniport_set(Module1& m, MainformState& f, PortSettings& rec) {
    std::string text;
    PortSettings read;
    bool ok = readFile(settingsPath(m), text) && parse_settings(text, read);
    if (!ok) {
        // Missing or not a settings file: the defaults replace it, and are read back once.
        std::string error;
        default_save(m, &error);
        ok = readFile(settingsPath(m), text) && parse_settings(text, read);
        if (!ok) read = defaultSettings(m.PortSel);  // a folder that cannot be written to
    }
    const std::array<std::string, 5> list = read.ATList;
    rec.ComPortNo = read.ComPortNo;
    rec.BaudStr = read.BaudStr;
    rec.FlowNo = read.FlowNo;
    rec.RetryVal = read.RetryVal;
    rec.ATCmd = list[0];
    if (m.PortQuietLoad == 0) rec.ATList = list;
    ComSet(m, f, rec);
}

void ComSet(Module1& m, MainformState& f, const PortSettings& rec) {
    CommPort& port = selectedPort(m, f);
    port.setCommPort(rec.ComPortNo);
    port.setSettings(rec.BaudStr + ",N,8,1");
    port.setHandshaking(rec.FlowNo);
    if (m.PortSel == 2) {
        m.SubATCmd = rec.ATCmd;
        m.SubPortSet = 1;
    } else {
        m.MainATCmd = rec.ATCmd;
        m.RetrySec = rec.RetryVal;
        m.MainPortSet = 1;
    }
}

}  // namespace vt
