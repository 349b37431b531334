// veltra logger-params / send-course: the parameter editor's link buttons and the course
// transfer, headless, against a logger on a serial device, on the real clock.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "Cli.h"
#include "course/CourseFile.h"
#include "link/Commands.h"
#include "link/PortSettings.h"
#include "link/Ports.h"
#include "params/MainPara.h"
#include "platform/NumText.h"
#include "serial/RealCommPort.h"
#include "shell/MainformProcs.h"

namespace vt::cli {

namespace {

const char* const kLoggerParamsHelp =
    "usage: veltra logger-params --port DEV [--baud B] [--write FILE.dat | --defaults] [--save FILE.dat]\n"
    "\n"
    "Does what the logger parameter editor's buttons do, against the logger on DEV (a serial device\n"
    "or pseudo-terminal; the main port's default settings, 9600 bit/s unless --baud says otherwise):\n"
    "reads the logger's main parameter block (\"MAIN\", answered by \"Q,v0,...,v26\") and prints the\n"
    "twenty rows as the editor shows them, one line each: the row number, its name, its value; the\n"
    "TRANS option chosen is marked (*). A last line gives the slots 21..26 carried unchanged.\n"
    "\n"
    "  --port DEV        the device the main port opens\n"
    "  --baud B          line speed: 1200, 2400, 4800, 9600, 19200, 38400, 57600 or 115200\n"
    "  --write FILE.dat  first send the block of this parameter file (as \"load\", then \"send\")\n"
    "  --defaults        first send the editor's default block\n"
    "  --save FILE.dat   store the block read in this parameter file (164 bytes)\n"
    "\n"
    "After a block is sent it is read back and printed. Exit status 0 when the block was read;\n"
    "1 when the port cannot be opened, the command is not sent, no good reply comes within 11 s, a\n"
    "value lies outside its row, or a file cannot be read or written; 2 for a usage mistake.\n";

const char* const kSendCourseHelp =
    "usage: veltra send-course --port DEV --number D [--baud B] FILE.dat\n"
    "\n"
    "Loads the course file FILE.dat as the course menu's \"load\" does, then sends it to the logger\n"
    "on DEV as course number D (0 to 9), as the course transfer does: the text \"CRS<D>-<seg 1>-...-\"\n"
    "framed and written to the main port. Prints the text sent.\n"
    "\n"
    "  --port DEV     the device the main port opens\n"
    "  --number D     the course number, 0 to 9\n"
    "  --baud B       line speed, as for logger-params (default 9600)\n"
    "\n"
    "Exit status 0 when the text left the port; 1 when the file is no course, the port cannot be\n"
    "opened or the text was not sent; 2 for a usage mistake.\n";

// Message boxes are kept, not shown; the one input box (the course number) has its answer.
class LinkUi : public NonInteractiveUi {
  public:
    MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon, const std::string&) override {
        last = text;
        return defaultAnswer(buttons);
    }
    std::string inputBox(const std::string&, const std::string&, const std::string&) override { return answer; }
    std::string last, answer;
};

// The terminal after start-up with its main port on DEV, opened as the port menu does.
struct LinkSession {
    Session session;
    SystemClock clock;
    QtEventPump pump;
    LinkUi ui;
    Services live{ui, clock, pump};
    Module1& m = session.m;
    MainformState& f = session.f;

    ~LinkSession() {
        if (f.MSComm1->portOpen()) MOpen_Click(m, f, live);
    }
    // Opens the main port on `device`; an empty result, or why it could not be opened.
    std::string open(const std::string& device, long baud) {
        auto port = std::make_unique<RealCommPort>();
        port->setDevice(device);
        f.MSComm1 = std::move(port);
        port_init(f);
        wire_events(m, f, live);
        m.PortSel = 1;
        PortSettings rec = defaultSettings(1);
        rec.BaudStr = std::to_string(baud);
        rec.ATCmd.clear();  // a direct line
        ComSet(m, f, rec);
        MOpen_Click(m, f, live);
        if (f.MSComm1->portOpen()) return {};
        return ui.last.empty() ? std::string("no such device") : ui.last;
    }
};

bool baudOption(const Args& args, long& baud) {
    baud = 9600;
    if (!args.values.count("--baud")) return true;
    static const long kRates[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return toInt(args.value("--baud"), baud) &&
           std::find(std::begin(kRates), std::end(kRates), baud) != std::end(kRates);
}

// The rows as the editor shows them.
void printRows(const MainParaState& st) {
    for (int i = 0; i < kMainParaRows; ++i) {
        auto name = [&st](size_t n) { return st.Label1[n].Caption; };
        auto mark = [&st](size_t n) { return st.TRANS[n].Checked ? std::string("(*)") : std::string("( )"); };
        std::string names;
        if (i <= 15) names = name(static_cast<size_t>(i));
        if (i == 15) names += " " + name(19);
        if (i == 16) names = name(18) + " " + mark(0) + " " + name(20);
        if (i == 17) names = name(21) + " " + mark(1);
        if (i == 18) names = name(16);
        if (i == 19) names = name(17);
        std::printf("%2d  %-26s %s\n", i, names.c_str(), st.Label2[static_cast<size_t>(i)].Caption.c_str());
    }
    std::string carried;
    for (size_t slot = 21; slot < kMainParaSent; ++slot) carried += " " + std::to_string(st.MainPara[slot]);
    std::printf("slots 21..26:%s\n", carried.c_str());
}

int loggerParams(const Args& args) {
    long baud = 0;
    if (!baudOption(args, baud)) return args.usage("--baud must be one of 1200 ... 115200");
    if (!args.values.count("--port")) return args.usage("--port DEV is needed");
    if (args.values.count("--write") && args.has("--defaults"))
        return args.usage("give --write or --defaults, not both");

    LinkSession link;
    Module1& m = link.m;
    MainformState& f = link.f;
    MainParaState st;

    // The block to send, checked before the port is opened.
    MainParaBlock out = default_block();
    if (args.values.count("--write")) {
        const std::string path = args.value("--write");
        std::string error;
        if (std::filesystem::is_directory(path) || !para_file_read(path, out, &error))
            return fail(path + ": " + (error.empty() ? std::string("is a folder") : error));
        if (const std::string wrong = para_check(m, out); !wrong.empty()) return fail(path + ": " + wrong);
    }

    const std::string device = args.value("--port");
    if (const std::string why = link.open(device, baud); !why.empty())
        return fail("logger-params: cannot open " + device + ": " + why);
    Form_Load(m, f, st);
    if (args.values.count("--write") || args.has("--defaults")) {
        st.MainPara = out;
        para_to_scroll(st);
        scroll_to_para(st);
        if (txFailed(main_send(m, f, link.live, st.MainPara)))
            return fail("logger-params: the block was not sent to " + device);
    }
    MainParaBlock read = st.MainPara;
    std::string why;
    if (!main_read(m, f, link.live, read, &why)) return fail("logger-params: " + device + ": " + why);
    if (const std::string wrong = para_check(m, read); !wrong.empty())
        return fail("logger-params: " + device + ": " + wrong);
    st.MainPara = read;
    para_to_scroll(st);
    if (args.values.count("--save")) {
        const std::string path = args.value("--save");
        std::string error;
        if (!para_file_write(st.MainPara, path, &error)) return fail(path + ": " + error);
    }
    printRows(st);
    return 0;
}

int sendCourse(const Args& args) {
    long baud = 0, number = -1;
    if (!baudOption(args, baud)) return args.usage("--baud must be one of 1200 ... 115200");
    if (!args.values.count("--port")) return args.usage("--port DEV is needed");
    // The number goes into the text as typed, so only one digit is taken.
    const std::string typed = args.value("--number");
    if (typed.size() != 1 || !toInt(typed, number) || number < 0 || number > 9)
        return args.usage("--number D is needed, a digit 0 to 9");
    const std::string path = args.positional[0];

    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path)) return fail(path + ": no such file");
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (const std::string wrong = course_check(bytes); !wrong.empty()) return fail(path + ": " + wrong);

    LinkSession link;
    Module1& m = link.m;
    MainformState& f = link.f;
    if (!corse_open_path(m, f, link.live, path)) return fail(path + ": " + link.ui.last);
    const std::string device = args.value("--port");
    if (const std::string why = link.open(device, baud); !why.empty())
        return fail("send-course: cannot open " + device + ": " + why);
    link.ui.answer = typed;
    Corse_trans_Click(m, f, link.live);
    if (f.Label1.Caption != lang(m, 141))
        return fail("send-course: the course was not sent to " + device + ": " + f.Label1.Caption);
    std::printf("%s\n", course_text(typed, f).c_str());
    return 0;
}

}  // namespace

const CommandSpec kLoggerParamsCommand{"logger-params",
                                       "--port DEV [--write FILE | --defaults] [--save FILE]   the logger's parameters",
                                       kLoggerParamsHelp,
                                       {"--port", "--baud", "--write", "--save"},
                                       {"--defaults"},
                                       0,
                                       0,
                                       "",
                                       loggerParams};
const CommandSpec kSendCourseCommand{"send-course",
                                     "--port DEV --number D FILE.dat   a course file sent to the logger",
                                     kSendCourseHelp,
                                     {"--port", "--baud", "--number"},
                                     {},
                                     1,
                                     1,
                                     "FILE.dat",
                                     sendCourse};

}  // namespace vt::cli
