// A fresh program state for one test: zeroed Module1, the main window's state with
// recording or image canvases, scripted dialogs, a virtual clock and in-memory ports.
#pragma once

#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt::test {

struct TestApp {
    explicit TestApp(bool recordingCanvases = true);
    std::unique_ptr<Module1> mp;
    std::unique_ptr<MainformState> fp;
    Module1& m;
    MainformState& f;
    VirtualClock clock;
    VirtualPump pump{clock};
    ScriptedUi ui;
    Services s{ui, clock, pump};
    MemoryCommPort& port1() { return static_cast<MemoryCommPort&>(*f.MSComm1); }
};

// A temporary folder removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The repository's root (for lang/ and data/ files).
std::string sourceDir();

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

}  // namespace vt::test
