#include "shell/Startup.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <QStringDecoder>

namespace vt {

void set_folders(Module1& m, const std::string& cur) {
    std::string base = cur;
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    m.CurDir = base;
    m.LogDir = base + "/log";
    m.CorseDir = base + "/corse";
    m.ParaDir = base + "/PARA";
    m.PortMainFile = "port_main.dat";
    m.PortSubFile = "port_sub.dat";
    m.DialFile = "dial.dat";
}

namespace {

bool validUtf8(const std::string& s) {
    QStringDecoder d(QStringDecoder::Utf8);
    QString out = d.decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    return !d.hasError();
}

std::string fromShiftJis(const std::string& s) {
    QStringDecoder d("Shift_JIS");
    if (!d.isValid()) return s;
    QString out = d.decode(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    return out.toStdString();
}

}  // namespace

bool lang_load(Module1& m, const std::string& path, std::string* failText) {
    auto fail = [&] {
        if (failText) *failText = "!! Not Found ---> LANG.TXT !!\r\n" + path;
        return false;
    };
    // A folder of that name opens like a file but reads nothing: only a regular file will do.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return fail();
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) return fail();
    std::string bytes;
    char buf[4096];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) bytes.append(buf, static_cast<size_t>(in.gcount()));
    if (in.bad()) return fail();
    return lang_parse(m, std::move(bytes), failText);
}

bool lang_parse(Module1& m, std::string text, std::string* failText) {
    const std::string head = "!! Not Found ---> LANG.TXT !!\r\n";
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
        static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF)
        text.erase(0, 3);
    if (!validUtf8(text)) text = fromShiftJis(text);

    // Lines end in CR LF or LF; a line end at the very end does not start another line.
    std::array<std::string, kLangLines + 1> lines;
    size_t pos = 0;
    int n = 1;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (n > kLangLines) {
            if (failText) *failText = head + line;
            return false;
        }
        lines[static_cast<size_t>(n)] = std::move(line);
        ++n;
        if (end == std::string::npos) break;
        pos = end + 1;
    }
    m.LangText = std::move(lines);
    m.UiFontName = m.LangText[2];
    return true;
}

}  // namespace vt

namespace vt {

std::string working_folder(const std::string& cur, const std::string& veltraHome, const std::string& userHome) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(std::filesystem::path(cur) / "LANG.TXT", ec)) return cur;
    if (!veltraHome.empty()) return veltraHome;
    return (std::filesystem::path(userHome) / "VeltraTerminal").string();
}

std::string locale_language(const std::string& locale) { return locale.rfind("ja", 0) == 0 ? "ja" : "en"; }

std::string locale_name() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) return v;
    }
    return {};
}

std::string data_folder(const std::string& programDir) {
    const std::filesystem::path dir = std::filesystem::path(programDir) / ".." / "share" / "veltra-terminal";
    std::error_code ec;
    if (!std::filesystem::is_regular_file(dir / "lang" / "en" / "LANG.TXT", ec)) return {};
    return std::filesystem::weakly_canonical(dir, ec).string();
}

bool prepare_working_folder(const std::string& dir, const std::string& dataDir, const std::string& language,
                            std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        if (error) *error = "cannot make the working folder " + dir + (ec ? ": " + ec.message() : "");
        return false;
    }
    const fs::path target = fs::path(dir) / "LANG.TXT";
    if (fs::exists(target, ec) || dataDir.empty()) return true;
    const fs::path source = fs::path(dataDir) / "lang" / language / "LANG.TXT";
    // Copied under another name and renamed, so a failure never leaves half a language file.
    const fs::path part = fs::path(dir) / "LANG.TXT.part";
    fs::copy_file(source, part, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(part, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(part, ignored);
        if (error) *error = "cannot copy " + source.string() + " to " + target.string() + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace vt
