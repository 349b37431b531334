// Helpers for the simulated logger's tests: a small memory made once, a fake-clock run that
// records when each byte left the line, the frames in a byte stream and journal lines read back.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "layout/FrameLayout.h"
#include "loggen/LogGenerator.h"
#include "sim/LoggerSim.h"

namespace vt::sim::test {

// Two laps of the oval, three segments each: a few hundred records.
inline const loggen::LoggerMemory& smallMemory() {
    static const loggen::LoggerMemory m = [] {
        loggen::GenOptions o;
        o.laps = 2;
        o.segments = 3;
        o.course = "oval";
        o.mmPerPulse = 150;
        loggen::GenResult r = loggen::generateLog(o);
        EXPECT_TRUE(r) << r.error;
        return r ? *r.memory : loggen::LoggerMemory{};
    }();
    return m;
}

// Bytes as they left the line, each chunk with the time transmit() gave it.
struct Arrival {
    int64_t t;
    std::string bytes;
};

// Runs the simulator's (or the remote station's) clock from `from` to `to`, waking when nextDueMs()
// says; `heard` gets each chunk as it leaves.
template <typename Line>
std::vector<Arrival> runUntil(Line& sim, int64_t from, int64_t to,
                              const std::function<void(const std::string&, int64_t)>& heard = {}) {
    std::vector<Arrival> out;
    int64_t t = from;
    for (;;) {
        const int64_t due = sim.nextDueMs(t);
        if (due < 0 || due > to) break;
        t = std::max(t, due);
        std::string b = sim.transmit(t);
        if (!b.empty()) {
            if (heard) heard(b, t);
            out.push_back({t, std::move(b)});
        } else if (sim.nextDueMs(t) == t) {
            ADD_FAILURE() << "nextDueMs keeps saying " << t << " with nothing to send";
            break;
        }
    }
    std::string rest = sim.transmit(to);
    if (!rest.empty()) {
        if (heard) heard(rest, to);
        out.push_back({to, std::move(rest)});
    }
    return out;
}

inline std::string joined(const std::vector<Arrival>& a) {
    std::string s;
    for (const Arrival& x : a) s += x.bytes;
    return s;
}

// A frame and when its last byte arrived.
struct SeenFrame {
    int64_t t;
    frame::Frame f;
    char kind() const { return char(f[frame::kKind]); }
    int word(int at) const { return f[size_t(at)] * 256 + f[size_t(at) + 1]; }
};

// Cuts a clean stream into 25-byte frames; fails the test at a byte outside a frame.
inline std::vector<SeenFrame> framesOf(const std::vector<Arrival>& arrivals, bool wholeAtEnd = true) {
    std::vector<SeenFrame> out;
    frame::Frame cur{};
    size_t n = 0;
    for (const Arrival& a : arrivals) {
        for (char c : a.bytes) {
            if (n == 0 && uint8_t(c) != frame::kSTX) {
                ADD_FAILURE() << "byte " << int(uint8_t(c)) << " outside a frame at " << a.t << " ms";
                return out;
            }
            cur[n++] = uint8_t(c);
            if (n == size_t(frame::kBytes)) {
                out.push_back({a.t, cur});
                n = 0;
            }
        }
    }
    if (wholeAtEnd) {
        EXPECT_EQ(n, 0u) << "the stream ends inside a frame";
    }
    return out;
}

inline bool wellFormed(const frame::Frame& f) {
    return frame::framed(f.data()) && f[frame::kChecksum] == frame::checksumOf(f.data());
}

// One journal line's fields as text (\u00XX is one byte); fails the test when it is not a JSON object.
using Fields = std::map<std::string, std::string>;
inline Fields parseJson(const std::string& line) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    if (!doc.isObject()) {
        ADD_FAILURE() << "not a JSON object (" << error.errorString().toStdString() << "): " << line;
        return {};
    }
    Fields out;
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it) {
        const QJsonValue v = it.value();
        std::string& text = out[it.key().toStdString()];
        if (v.isString()) {
            text = v.toString().toLatin1().toStdString();
        } else if (v.isBool()) {
            text = v.toBool() ? "true" : "false";
        } else if (v.isDouble()) {
            text = QString::number(v.toDouble(), 'g', 17).toStdString();
        } else {
            text = QJsonDocument(v.toArray()).toJson(QJsonDocument::Compact).toStdString();
        }
    }
    return out;
}

// The journal lines of a simulator, a remote station or an RFC 2217 server.
template <typename Journaled>
std::vector<Fields> journalOf(Journaled& sim) {
    std::vector<Fields> out;
    for (const std::string& l : sim.takeJournal()) out.push_back(parseJson(l));
    return out;
}

inline std::vector<Fields> eventsOf(const std::vector<Fields>& journal, const std::string& event) {
    std::vector<Fields> out;
    for (const Fields& f : journal)
        if (f.at("event") == event) out.push_back(f);
    return out;
}

inline int num(const Fields& f, const std::string& key) {
    const auto it = f.find(key);
    if (it == f.end()) {
        ADD_FAILURE() << "no field " << key;
        return -1;
    }
    return std::stoi(it->second);
}

inline SimOptions quietOptions() {
    SimOptions o;
    o.baud = 9600;
    return o;
}

inline std::string command(const std::string& text) { return frame::command(text); }

// Walks a damaged line beside the frames it would have carried intact, as the journal's frame
// lines say each went out (dropped, garbage before it, a byte changed, a bad end); fails where
// they disagree and gives the number of frames the journal owns up to damaging.
inline size_t checkLineAgainstJournal(const std::vector<SeenFrame>& clean, const std::vector<Fields>& journal,
                                      const std::string& line) {
    EXPECT_EQ(journal.size(), clean.size());
    size_t at = 0, damaged = 0;
    for (size_t k = 0; k < std::min(clean.size(), journal.size()); ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        const Fields& j = journal[k];
        EXPECT_EQ(j.at("kind"), std::string(1, clean[k].kind()));
        const std::string fault = j.count("fault") ? j.at("fault") : "";
        if (!fault.empty()) ++damaged;
        if (fault == "drop") continue;
        if (fault.find("garbage") != std::string::npos) {
            const int n = num(j, "garbage");
            EXPECT_TRUE(n >= 1 && n <= 10);
            at += size_t(n);
        }
        if (at + 25 > line.size()) {
            ADD_FAILURE() << "the line ends before frame " << k;
            return damaged;
        }
        frame::Frame got{};
        std::copy(line.begin() + long(at), line.begin() + long(at + 25), got.begin());
        at += 25;
        const frame::Frame& want = clean[k].f;
        const int corrupt = fault.find("corrupt") != std::string::npos ? num(j, "byte") : -1;
        const bool badEnd = fault.find("bad-end") != std::string::npos;
        for (int b = 0; b < frame::kBytes; ++b) {
            if (b == corrupt) {
                EXPECT_TRUE(b >= 2 && b <= 22);
                EXPECT_NE(got[size_t(b)], want[size_t(b)]);
            } else if (b == frame::kEnd && badEnd) {
                EXPECT_NE(got[size_t(b)], frame::kETB);
            } else {
                EXPECT_EQ(got[size_t(b)], want[size_t(b)]) << "byte " << b;
            }
        }
        // A changed payload byte always shows in the checksum.
        EXPECT_EQ(got[frame::kChecksum] == frame::checksumOf(got.data()), corrupt < 0);
    }
    EXPECT_EQ(at, line.size());
    return damaged;
}

}  // namespace vt::sim::test
