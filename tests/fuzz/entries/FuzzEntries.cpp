#include "FuzzEntries.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "course/CourseFile.h"
#include "course/LapChoice.h"
#include "dialup/DialList.h"
#include "display/Graphs.h"
#include "layout/FrameLayout.h"
#include "link/Download.h"
#include "link/PortSettings.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "link/SubPort.h"
#include "logfiles/LapLists.h"
#include "logfiles/ListWindow.h"
#include "logfiles/LogFile.h"
#include "logfiles/ParaDisp.h"
#include "params/MainPara.h"
#include "platform/Clock.h"
#include "platform/CommPort.h"
#include "platform/Services.h"
#include "platform/UiServices.h"
#include "serial/Rfc2217.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "state/MainformState.h"
#include "state/Module1.h"
#include "state/ParaDispState.h"

namespace vt::fuzz {

namespace {

std::string& englishTexts() {
    static std::string bytes;
    return bytes;
}

std::string sourceDir() {
    if (const char* d = std::getenv("VELTRA_SOURCE_DIR")) return d;
    return VELTRA_FUZZ_SOURCE_DIR;
}

// A folder of its own for one input, removed afterwards: the start folder with log/, corse/
// and PARA/ under it.
class Folder {
  public:
    Folder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "veltra-fuzz-XXXXXX").string();
        if (char* made = mkdtemp(tmpl.data())) path_ = made;
    }
    ~Folder() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

void writeBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The terminal's state after start-up: the English texts, the folders, the events wired, the
// window loaded, on in-memory ports, a virtual clock and dialogs that take their default.
struct App {
    Folder dir;
    std::unique_ptr<Module1> mp = makeModule1();
    std::unique_ptr<MainformState> fp = makeRecordingMainformState();
    Module1& m = *mp;
    MainformState& f = *fp;
    VirtualClock clock;
    VirtualPump pump{clock};
    ScriptedUi ui;
    Services s{ui, clock, pump};

    // `loadWindow`: wire the events and run the window's loading (the folders are made either way).
    explicit App(bool loadTexts = true, bool loadWindow = true) {
        std::string fail;
        if (loadTexts) lang_parse(m, englishTexts(), &fail);
        set_folders(m, dir.path());
        if (!loadWindow) {
            std::error_code ec;
            for (const std::string* d : {&m.LogDir, &m.CorseDir, &m.ParaDir})
                std::filesystem::create_directories(*d, ec);
            return;
        }
        wire_events(m, f, s);
        pump.attach(f.Timer1);
        pump.attach(f.RETRY_TIMER);
        Form_Load(m, f, s);
    }
    MemoryCommPort& port1() { return static_cast<MemoryCommPort&>(*f.MSComm1); }
    MemoryCommPort& port2() { return static_cast<MemoryCommPort&>(*f.MSComm2); }
    // The main port open as on a direct line, taking binary 25-byte frames.
    bool connectDirect() {
        if (!MOpen_Click(m, f, s)) return false;
        f.MSComm1->setInputMode(InputModeKind::Binary);
        f.MSComm1->setInputLen(frame::kBytes);
        f.MSComm1->setRThreshold(frame::kBytes);
        m.LinkUp = kTrue;
        return true;
    }
};

// Feeds `bytes` to a port in chunks of `chunk` bytes (0: all at once), `stepMs` of virtual
// time passing between chunks so the watchdog and the waits run.
void feed(App& app, MemoryCommPort& port, std::string_view bytes, size_t chunk, int64_t stepMs) {
    if (chunk == 0) chunk = bytes.size();
    for (size_t at = 0; at < bytes.size() && port.portOpen(); at += chunk) {
        port.receive(bytes.substr(at, chunk));
        if (stepMs > 0) app.pump.run(stepMs);
    }
}

// ---- files ----------------------------------------------------------------------------------

// A log file, then what opening one leads to: the three lists, the parameter display, and for
// the first and the last lap the course list and layout and each graph.
void logFile(const uint8_t* data, size_t size) {
    App app;
    const std::string path = app.dir.path() + "/log/fuzz.log";
    writeBytes(path, data, size);
    LoadReport report;
    std::string error;
    if (!log_open_path(app.m, app.f, app.s, path, &report, &error)) return;
    (void)report.note();
    if (app.m.LapLast != 0) {
        for (int mode = 0; mode <= 2; ++mode) {
            Form3State st;
            app.m.SelLap = static_cast<int16_t>(mode);
            if (mode == 2) app.m.SegListNo = 1;
            list_size(app.m, st);
            Form_Load(app.m, app.f, st);
        }
    }
    ParaDispState para;
    Form_Load(app.m, para);
    para_list_Click(app.m, para);
    for (int lap : {static_cast<int>(app.m.LapFirst), static_cast<int>(app.m.LapLast)}) {
        if (lap < 1 || !choose_lap(app.m, app.f, app.s, lap)) continue;
        for (int kind : {3, 4, 5, 7}) {
            app.m.GraphKind = static_cast<int16_t>(kind);
            grf_refresh(app.m, app.f);
        }
        if (app.m.LapFirst == app.m.LapLast) break;
    }
}

// LANG.TXT, then the window's captions from it.
void langFile(const uint8_t* data, size_t size) {
    App app(false);
    std::string fail;
    if (!lang_parse(app.m, std::string(reinterpret_cast<const char*>(data), size), &fail)) return;
    caption_load(app.m, app.f);
    Form_Load(app.m, app.f, app.s);
}

// A port settings file of either port, read and applied to the port as at start-up; the first
// byte chooses the port.
void portSettings(const uint8_t* data, size_t size) {
    if (size == 0) return;
    App app;
    app.m.PortSel = static_cast<int16_t>(1 + (data[0] & 1));
    app.m.PortQuietLoad = static_cast<int16_t>((data[0] >> 1) & 1);
    writeBytes(settingsPath(app.m), data + 1, size - 1);
    PortSettings rec;
    moniport_set(app.m, app.f, rec);
    PortSettings again;
    parse_settings(settings_text(rec), again);
}

// dial.dat, as the dial list window loads it, every entry picked once.
void dialList(const uint8_t* data, size_t size) {
    App app(true, false);
    writeBytes(dialPath(app.m), data, size);
    Form4State st;
    Form_Load(app.m, st);
    for (int i = 0; i < static_cast<int>(st.Combo1.size()); ++i) Combo1_Click(st, i);
}

// A parameter file, shown in the parameter editor when the editor can show it.
void paramFile(const uint8_t* data, size_t size) {
    App app(true, false);
    const std::string path = app.m.ParaDir + "/PARA_fuzz.dat";
    writeBytes(path, data, size);
    MainParaState st;
    Form_Load(app.m, app.f, st);
    MainParaBlock p = default_block();
    std::string error;
    if (!para_file_read(path, p, &error)) return;
    if (!para_check(app.m, p).empty()) return;
    st.MainPara = p;
    para_to_scroll(st);
    scroll_to_para(st);
}

// A course file: checked, loaded, its segment texts and layout drawn.
void courseFile(const uint8_t* data, size_t size) {
    App app;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    bool isLog = false;
    (void)course_check(bytes, &isLog);
    const std::string path = app.m.CorseDir + "/fuzz.crs";
    writeBytes(path, data, size);
    corse_open_path(app.m, app.f, app.s, path);
}

// ---- lines ------------------------------------------------------------------------------------

// The main port's bytes. The first byte chooses what the terminal expects (bits 0..1: the live
// stream, an acknowledged download, an unacknowledged one, no frames, i.e. modem text), the
// second the chunk size the line delivers (0: all at once); then a minute of silence, so the
// watchdog and the download's end run too.
void mainPort(const uint8_t* data, size_t size) {
    if (size < 2) return;
    App app;
    if (!app.connectDirect()) return;
    const int mode = data[0] & 3;
    const size_t chunk = data[1] & 63;
    switch (mode) {
        case 0:
            app.f.RxOn = kTrue;
            app.f.Timer1.setEnabled(true);
            break;
        case 1:
        case 2: {
            const std::string name = app.m.LogDir + "/down";
            app.f.windows.Form_NAME = [&app, name] {
                app.m.LogFileName = name;
                app.m.MemClearAsk = kFalse;
            };
            app.ui.inputAnswers = {"1-2"};
            One_Down_Click(app.m, app.f, app.s);
            if (mode == 2) app.m.AckMode = kFalse;
            break;
        }
        default:
            app.f.RxOn = kFalse;
            app.m.MainATCmd = "AT&F";
            app.m.RetrySec = static_cast<int16_t>((data[0] >> 2) & 1 ? 5 : 0);
            break;
    }
    feed(app, app.port1(), std::string_view(reinterpret_cast<const char*>(data + 2), size - 2), chunk, 10);
    app.pump.run(60000);
}

// The sub port's bytes from a remote station, while the logger's live stream comes in on the
// main port: the first byte says whether the sub port reports modem lines (and holds the
// carrier), the second the chunk size; a live frame arrives on the main port between chunks.
void subPort(const uint8_t* data, size_t size) {
    if (size < 2) return;
    App app;
    if (!app.connectDirect()) return;
    app.f.RxOn = kTrue;
    app.m.SubPortSet = 1;
    app.m.SubATCmd = "";
    app.port2().modemLines = (data[0] & 1) != 0;
    sub_up_Click(app.m, app.f, app.s);
    if (!app.f.MSComm2->portOpen()) return;
    if (app.port2().modemLines) app.port2().setCD(true);
    frame::Frame live{};
    frame::seal(live, 'G');
    const std::string liveFrame(reinterpret_cast<const char*>(live.data()), live.size());
    size_t chunk = data[1] & 63;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    if (chunk == 0) chunk = bytes.size();
    for (size_t at = 0; at < bytes.size() && app.port2().portOpen(); at += chunk) {
        app.port2().receive(bytes.substr(at, chunk));
        app.port1().receive(liveFrame);
        app.pump.run(10);
    }
    app.pump.run(2000);
}

// The bytes a network device server sends the RFC 2217 client, after the client's opening; the
// first byte is the chunk size.
void rfc2217(const uint8_t* data, size_t size) {
    if (size < 1) return;
    Rfc2217Client client;
    (void)client.start(115200, 2);
    size_t chunk = data[0] & 63;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (chunk == 0) chunk = bytes.size() ? bytes.size() : 1;
    std::string in, reply;
    for (size_t at = 0; at < bytes.size(); at += chunk) {
        in.clear();
        reply.clear();
        client.feed(bytes.substr(at, chunk), in, reply);
    }
    (void)client.comPort();
    (void)client.modemState();
}

// The logger's reply to "MAIN": the read goes out as the parameter editor's read button sends
// it, and the input is what comes back (in chunks of the first byte's size); a good block is
// shown in the editor.
void mainReply(const uint8_t* data, size_t size) {
    if (size < 1) return;
    App app;
    if (!app.connectDirect()) return;
    size_t chunk = data[0] & 63;
    const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
    if (chunk == 0) chunk = reply.size() ? reply.size() : 1;
    bool answered = false;
    app.port1().onWritten = [&](std::string_view) {
        if (answered) return;
        answered = true;
        for (size_t at = 0; at < reply.size(); at += chunk)
            app.port1().receive(std::string_view(reply).substr(at, chunk));
    };
    MainParaState st;
    Form_Load(app.m, app.f, st);
    MainParaBlock p = default_block();
    std::string why;
    if (!main_read(app.m, app.f, app.s, p, &why)) return;
    if (!para_check(app.m, p).empty()) return;
    st.MainPara = p;
    para_to_scroll(st);
}

}  // namespace

const std::vector<Target>& targets() {
    static const std::vector<Target> all = {
        {"log_file", logFile},     {"lang_file", langFile},   {"port_settings", portSettings},
        {"dial_list", dialList},   {"param_file", paramFile}, {"course_file", courseFile},
        {"main_port", mainPort},   {"sub_port", subPort},     {"rfc2217", rfc2217},
        {"main_reply", mainReply},
    };
    return all;
}

const Target* findTarget(std::string_view name) {
    for (const Target& t : targets())
        if (name == t.name) return &t;
    return nullptr;
}

void initialise() {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("VELTRA_NONINTERACTIVE")) setenv("VELTRA_NONINTERACTIVE", "1", 1);
    std::ifstream in(sourceDir() + "/lang/en/LANG.TXT", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    englishTexts() = s.str();
}

}  // namespace vt::fuzz
