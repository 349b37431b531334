// Writes a seed corpus for every fuzz target into OUT/<target>/: logs and a course file from the
// log generator, the line bytes of the simulated logger (a live stream, acknowledged and plain
// downloads, faults switched on, modem text, the "MAIN" reply, an RFC 2217 server's opening),
// and good settings, dial and parameter files. Each seed starts with the bytes the target's
// entry function reads first (mode, chunk size).
//
//   veltra-fuzz-seeds OUT
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "course/CourseFile.h"
#include "layout/FrameLayout.h"
#include "link/PortSettings.h"
#include "logdata/Decode.h"
#include "logfiles/LogFile.h"
#include "loggen/LogGenerator.h"
#include "params/MainPara.h"
#include "serial/Rfc2217.h"
#include "sim/LoggerSim.h"
#include "sim/Rfc2217.h"
#include "state/Module1.h"

namespace fs = std::filesystem;
using namespace vt;

namespace {

fs::path out;
int written = 0;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path dir = out / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
    ++written;
}

std::string str(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// Runs the simulator from `from` to `to` ms, its line bytes appended to `into`; `answer` may
// reply to what arrived (an acknowledgement) and gets the time.
template <typename Answer>
int64_t run(sim::LoggerSim& s, int64_t from, int64_t to, std::string& into, Answer answer) {
    int64_t t = from;
    while (t <= to) {
        const int64_t due = s.nextDueMs(t);
        if (due < 0 || due > to) break;
        t = std::max(t, due);
        std::string b = s.transmit(t);
        if (b.empty() && s.nextDueMs(t) == t) ++t;
        into += b;
        answer(b, t);
    }
    return t;
}

sim::SimOptions options(int laps, int baud) {
    sim::SimOptions o;
    o.gen.laps = laps;
    o.gen.segments = 3;
    o.gen.course = "oval";
    o.baud = baud;
    return o;
}

void lineSeeds() {
    // The live stream, a few seconds of it, plain and with faults.
    for (int faults = 0; faults <= 1; ++faults) {
        sim::SimOptions o = options(2, 115200);
        if (faults) {
            o.faults.corrupt = 0.05;
            o.faults.garbage = 0.05;
            o.faults.drop = 0.05;
        }
        sim::LoggerSim s(o);
        std::string bytes;
        s.receive(frame::command("RATS"), 0);
        s.receive(frame::command("PARA"), 0);
        s.receive(frame::command("STRT"), 0);
        run(s, 0, 4000, bytes, [](const std::string&, int64_t) {});
        seed("main_port", faults ? "stream_faults" : "stream", std::string("\x00\x19", 2) + bytes);
        seed("main_port", faults ? "stream_faults_bytes" : "stream_bytes", std::string("\x00\x01", 2) + bytes);
        seed("sub_port", faults ? "stream_faults" : "stream", std::string("\x00\x19", 2) + bytes);
    }
    // Downloads: acknowledged (every "X" answered "GD"), and plain.
    for (int ack = 0; ack <= 1; ++ack) {
        sim::LoggerSim s(options(1, 115200));
        std::string bytes;
        s.receive(frame::command(ack ? "LOGP 1- 2" : "LOGN 1- 2"), 0);
        run(s, 0, 60000, bytes, [&](const std::string& b, int64_t t) {
            if (ack && !b.empty()) s.receive(frame::kAckGood, t);
        });
        seed("main_port", ack ? "download_ack" : "download_plain",
             std::string(1, static_cast<char>(ack ? 1 : 2)) + std::string("\x19", 1) + bytes);
        seed("main_port", ack ? "download_ack_split" : "download_plain_split",
             std::string(1, static_cast<char>(ack ? 1 : 2)) + std::string("\x07", 1) + bytes);
    }
    // Modem text while no frames are expected, and the carrier lost.
    seed("main_port", "modem_text", std::string("\x03\x00", 2) + "\r\nRING\r\n\r\nCONNECT 9600\r\n\r\nNO CARRIER\r\n");
    seed("main_port", "modem_redial", std::string("\x07\x05", 2) + "\r\nBUSY\r\n\r\nNO CARRIER\r\nOK\r\n");
    // The sub port: a remote station's commands and its modem.
    std::string commands;
    for (const char* c : {"STRT", "PARA", "STOP", "STRT"}) commands += frame::command(c);
    seed("sub_port", "commands", std::string("\x00\x06", 2) + commands);
    seed("sub_port", "commands_whole", std::string("\x01\x00", 2) + commands);
    seed("sub_port", "modem", std::string("\x01\x03", 2) + "\r\nRING\r\n\r\nCONNECT 9600\r\n" + frame::command("STRT"));
    // The "MAIN" reply as the simulated logger sends it.
    {
        sim::LoggerSim s(options(1, 9600));
        std::string bytes;
        s.receive(frame::command("MAIN"), 0);
        run(s, 0, 3000, bytes, [](const std::string&, int64_t) {});
        seed("main_reply", "reply", std::string(1, '\0') + bytes);
        seed("main_reply", "reply_split", std::string(1, '\x05') + bytes);
    }
    // An RFC 2217 server's side of the opening, a line speed change and some data with 0xFF.
    {
        sim::Rfc2217Server server(115200);
        server.start(0);
        Rfc2217Client client;
        std::string bytes;
        std::string data, reply;
        std::string toServer = client.start(115200, 2);
        for (int round = 0; round < 4; ++round) {
            server.fromClient(toServer, round);
            const std::string back = server.takeOutput();
            bytes += back;
            toServer.clear();
            client.feed(back, data, toServer);
        }
        server.setModemLines(true, false, 10);
        server.toClient(std::string("\x02G\xff\xff data \x17", 11));
        server.setModemLines(false, true, 20);
        bytes += server.takeOutput();
        seed("rfc2217", "session", std::string(1, '\0') + bytes);
        seed("rfc2217", "session_split", std::string(1, '\x03') + bytes);
    }
}

void fileSeeds() {
    // Logs from the generator: a short and a longer one, and one of bikes in mph.
    const struct {
        const char* name;
        int laps, segments;
        const char* course;
        int carType, speedUnit;
    } logs[] = {{"oval2", 2, 3, "oval", loggen::kCar, 0},
                {"circuit5", 5, 6, "circuit", loggen::kCar, 0},
                {"bike3", 3, 15, "oval", loggen::kBike, 1}};
    for (const auto& l : logs) {
        loggen::GenOptions o;
        o.laps = l.laps;
        o.segments = l.segments;
        o.course = l.course;
        o.carType = l.carType;
        o.speedUnit = l.speedUnit;
        loggen::GenResult r = loggen::generateLog(o);
        if (!r) {
            std::fprintf(stderr, "veltra-fuzz-seeds: %s: %s\n", l.name, r.error.c_str());
            continue;
        }
        const std::string bytes = str(r.memory->fileBytes());
        seed("log_file", std::string(l.name) + ".log", bytes);
        // The course file of its first lap, as the course editor saves it.
        auto m = makeModule1();
        std::istringstream in(bytes);
        std::string error;
        LoadReport report;
        if (log_read(*m, in, &report, &error)) {
            m->LapCur = m->LapFirst;
            std::string course;
            if (locate_lap(*m) && course_file_bytes(*m, course, &error))
                seed("course_file", std::string(l.name) + ".crs", course);
        }
    }
    // Settings files of both ports, defaults and a full AT list.
    for (int port = 1; port <= 2; ++port) {
        PortSettings rec = defaultSettings(port);
        seed("port_settings", "default" + std::to_string(port),
             std::string(1, static_cast<char>(port - 1)) + settings_text(rec));
        rec.BaudStr = "115200";
        rec.FlowNo = 0;
        rec.RetryVal = 30;
        rec.ATList = {"ATZ", "AT&F&C1&D2", "ATS0=1", "ATX3", "AT&F"};
        seed("port_settings", "full" + std::to_string(port),
             std::string(1, static_cast<char>(port - 1)) + settings_text(rec));
    }
    seed("dial_list", "three", "0123456789\r\n+44 20 7946 0000\r\n*70,5551234\r\n");
    seed("dial_list", "one", "5551234");
    MainParaBlock p = default_block();
    seed("param_file", "defaults.dat", para_file_bytes(p));
    for (int i = 0; i < kMainParaSlots; ++i) p[static_cast<size_t>(i)] = i * 37 - 100;
    seed("param_file", "mixed.dat", para_file_bytes(p));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: veltra-fuzz-seeds OUT\n");
        return 2;
    }
    out = argv[1];
    fileSeeds();
    lineSeeds();
    std::printf("veltra-fuzz-seeds: %d seeds in %s\n", written, out.string().c_str());
    return 0;
}
