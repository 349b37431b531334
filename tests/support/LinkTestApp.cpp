#include "support/LinkTestApp.h"

#include <gtest/gtest.h>

#include "link/Ports.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"

namespace vt::test {

LinkTestApp::LinkTestApp(bool recordingCanvases) : TestApp(recordingCanvases) {
    std::string fail;
    EXPECT_TRUE(lang_load(m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
    set_folders(m, dir.path());
    wire_events(m, f, s);
    pump.attach(f.Timer1);
    pump.attach(f.RETRY_TIMER);
    Form_Load(m, f, s);
    f.Label1.changed.add([this] { status.push_back(f.Label1.Caption); });
}

void LinkTestApp::connectDirect() {
    ASSERT_TRUE(MOpen_Click(m, f, s));
    f.MSComm1->setInputMode(InputModeKind::Binary);
    f.MSComm1->setInputLen(frame::kBytes);
    f.MSComm1->setRThreshold(frame::kBytes);
    m.LinkUp = kTrue;
}

std::string frameOf(char kind, std::initializer_list<std::pair<int, int>> bytes) {
    frame::Frame fr{};
    for (auto [at, v] : bytes) fr[static_cast<size_t>(at)] = static_cast<uint8_t>(v);
    frame::seal(fr, kind);
    return std::string(reinterpret_cast<const char*>(fr.data()), fr.size());
}

std::string recordFrame(char kind, const std::array<uint8_t, 16>& record, int counter, int lapTime) {
    frame::Frame fr{};
    layout::putWord(&fr[frame::kCounter], counter);
    layout::putWord(&fr[frame::kLapTime], lapTime);
    for (size_t i = 0; i < record.size(); ++i) fr[frame::kRecord + i] = record[i];
    frame::seal(fr, kind);
    return std::string(reinterpret_cast<const char*>(fr.data()), fr.size());
}

std::string parameterFrame(const std::array<uint8_t, 16>& header, int mmPerPulse) {
    frame::Frame fr{};
    layout::putWord(&fr[frame::kMmPerPulse], mmPerPulse);
    for (size_t i = 0; i < header.size(); ++i) fr[frame::kHeader + i] = header[i];
    frame::seal(fr, frame::kParameters);
    return std::string(reinterpret_cast<const char*>(fr.data()), fr.size());
}

}  // namespace vt::test
