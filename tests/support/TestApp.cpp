#include "support/TestApp.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "widgets/ImageCanvas.h"

namespace vt::test {

TestApp::TestApp(bool recordingCanvases)
    : mp(makeModule1()),
      fp(recordingCanvases ? makeRecordingMainformState() : makeMainformState(imageCanvases(1.0))),
      m(*mp),
      f(*fp) {}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "veltra-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    path_ = made ? made : tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string sourceDir() {
    if (const char* d = std::getenv("VELTRA_SOURCE_DIR")) return d;
    return VELTRA_SOURCE_DIR_DEFAULT;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace vt::test
