// The veltra command-line tool: the terminal's procedures run headless.
//
// Every command starts from the state the terminal has right after start-up (its loading
// run over a fresh state, the start-up course included), then does what the terminal does,
// so its output is what the terminal shows or writes at that point.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Services.h"
#include "platform/UiServices.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt::cli {

// Parsed arguments: options that take a value, flags, and the rest in order.
struct Args {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    bool has(const std::string& name) const { return flags.count(name) || values.count(name); }
    std::string value(const std::string& name, const std::string& otherwise = {}) const {
        auto it = values.find(name);
        return it == values.end() ? otherwise : it->second;
    }
};

// Splits argv (after the command name). `withValue` lists the options that take a value;
// any other "--x" is a flag. Returns false with a message on an option missing its value.
bool parseArgs(int argc, char** argv, const std::set<std::string>& withValue, Args& out, std::string* error);

// A whole number from an option text; false when it is not one.
bool toInt(const std::string& text, long& out);

// The terminal's state right after start-up, without a window.
class Session {
    // Declared first: the references below are bound to these.
    std::unique_ptr<Module1> mp_;
    std::unique_ptr<MainformState> fp_;
    VirtualClock clock_;
    VirtualPump pump_{clock_};
    NonInteractiveUi ui_;
    Services services_{ui_, clock_, pump_};
    std::string workDir_;

public:
    explicit Session(double pictureScale = 1.0);
    ~Session();
    Module1& m;
    MainformState& f;
    Services& s;
    // Loads a log as the log-file menu does; prints a one-line message on standard error
    // and returns false when the file cannot be loaded. What a load had to leave out is
    // said on standard error too.
    bool loadLog(const std::string& path);
};

// Prints "veltra: <text>" on standard error and returns exit status 1.
int fail(const std::string& text);

// Commands: each returns the process exit status.
int cmdLaps(int argc, char** argv);
int cmdSegments(int argc, char** argv);
int cmdSegment(int argc, char** argv);
int cmdParams(int argc, char** argv);
int cmdExport(int argc, char** argv);
int cmdGenerate(int argc, char** argv);
int cmdCourse(int argc, char** argv);
int cmdCourselist(int argc, char** argv);
int cmdGraph(int argc, char** argv);

}  // namespace vt::cli
