// md2man: a manual page from the Markdown reference of a program and the program's own --help.
//
// The manual pages are made at build time from what is already written down, so they cannot
// say something else than the reference (docs/*.md) or the --help text:
//
//   md2man --name NAME --summary TEXT --version V --md FILE [--from HEADING] [--to HEADING]
//          [--help-file FILE]... -o OUT.1
//
// --from and --to choose the part of the Markdown file (from the heading whose text starts with
// --from, up to the next heading whose text starts with --to). Each --help-file is printed as it
// stands under "OPTIONS". Only the Markdown the references use is understood: headings, para-
// graphs, fenced code, tables, "- " lists, `code`, **bold**, *emphasis* and [links](...).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string readFile(const std::string& path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = in.is_open();
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) {
        if (!l.empty() && l.back() == '\r') l.pop_back();
        lines.push_back(l);
    }
    return lines;
}

bool startsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// A heading's level (1..3) and text, or level 0.
int headingLevel(const std::string& line, std::string* text) {
    size_t n = 0;
    while (n < line.size() && line[n] == '#') ++n;
    if (n == 0 || n > 3 || n >= line.size() || line[n] != ' ') return 0;
    if (text) *text = trim(line.substr(n + 1));
    return int(n);
}

// Text for roff: backslashes doubled, hyphens that start an option or sit in code kept as
// minus signs, and a line never starting with a control character.
std::string roffText(const std::string& s, bool code) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\\') {
            out += "\\e";
        } else if (c == '-' && (code || i == 0 || s[i - 1] == ' ' || s[i - 1] == '-' || s[i - 1] == '(')) {
            out += "\\-";
        } else {
            out += c;
        }
    }
    return out;
}

// Inline Markdown to roff fonts: `code` and **bold** in bold, *emphasis* in italics, links as
// their text.
std::string inlineText(const std::string& s) {
    std::string out;
    size_t i = 0;
    std::string plain;
    auto flush = [&] {
        out += roffText(plain, false);
        plain.clear();
    };
    // Code, bold and italic spans, longest mark first; a "*" before a blank is no mark.
    struct Span {
        std::string_view mark;
        const char* font;
        bool literal;
    };
    static constexpr Span kSpans[] = {{"`", "\\fB", true}, {"**", "\\fB", false}, {"*", "\\fI", false}};
    while (i < s.size()) {
        bool spanned = false;
        for (const Span& span : kSpans) {
            if (s.compare(i, span.mark.size(), span.mark) != 0) continue;
            const size_t from = i + span.mark.size();
            if (span.mark == "*" && (from >= s.size() || s[from] == ' ')) continue;
            const size_t to = s.find(span.mark, from);
            if (to == std::string::npos) continue;
            flush();
            out += span.font + roffText(s.substr(from, to - from), span.literal) + "\\fR";
            i = to + span.mark.size();
            spanned = true;
            break;
        }
        if (spanned) continue;
        if (s[i] == '[') {
            const size_t close = s.find("](", i);
            const size_t end = close == std::string::npos ? close : s.find(')', close);
            if (end != std::string::npos) {
                plain += s.substr(i + 1, close - i - 1);
                i = end + 1;
                continue;
            }
        }
        if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == '|' || s[i + 1] == '*' || s[i + 1] == '`')) {
            plain += s[i + 1];
            i += 2;
            continue;
        }
        plain += s[i++];
    }
    flush();
    return out;
}

// A line of text that roff must not take for a request.
std::string safeLine(const std::string& text) {
    if (!text.empty() && (text[0] == '.' || text[0] == '\'')) return "\\&" + text;
    return text;
}

// The cells of a table row "| a | b |"; "\|" is a bar inside a cell.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> out;
    std::string cur;
    std::string r = trim(row);
    if (!r.empty() && r.front() == '|') r.erase(0, 1);
    if (!r.empty() && r.back() == '|') r.pop_back();
    bool inCode = false;
    for (size_t i = 0; i < r.size(); ++i) {
        if (r[i] == '`') inCode = !inCode;
        if (r[i] == '\\' && i + 1 < r.size() && r[i + 1] == '|') {
            cur += inCode ? "|" : "\\|";
            ++i;
        } else if (r[i] == '|' && !inCode) {
            out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += r[i];
        }
    }
    out.push_back(trim(cur));
    return out;
}

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

struct Options {
    std::string name, summary, version, md, from, to, out;
    std::vector<std::string> helpFiles;
};

int usage() {
    std::fputs(
        "usage: md2man --name NAME --summary TEXT --version V --md FILE [--from HEADING] [--to HEADING]\n"
        "              [--help-file FILE]... -o OUT\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return usage();
        const std::string v = argv[++i];
        if (a == "--name") {
            o.name = v;
        } else if (a == "--summary") {
            o.summary = v;
        } else if (a == "--version") {
            o.version = v;
        } else if (a == "--md") {
            o.md = v;
        } else if (a == "--from") {
            o.from = v;
        } else if (a == "--to") {
            o.to = v;
        } else if (a == "--help-file") {
            o.helpFiles.push_back(v);
        } else if (a == "-o") {
            o.out = v;
        } else {
            return usage();
        }
    }
    if (o.name.empty() || o.md.empty() || o.out.empty()) return usage();

    bool ok = false;
    const std::vector<std::string> all = splitLines(readFile(o.md, ok));
    if (!ok) {
        std::fprintf(stderr, "md2man: cannot read %s\n", o.md.c_str());
        return 1;
    }
    // The chosen part of the reference.
    std::vector<std::string> lines;
    bool inside = o.from.empty();
    bool fence = false;
    for (const std::string& l : all) {
        if (startsWith(l, "```")) fence = !fence;
        std::string heading;
        if (!fence && headingLevel(l, &heading) > 0) {
            if (!inside && startsWith(heading, o.from)) {
                inside = true;
            } else if (inside && !o.to.empty() && startsWith(heading, o.to)) {
                break;
            }
        }
        if (inside) lines.push_back(l);
    }
    if (lines.empty()) {
        std::fprintf(stderr, "md2man: no heading '%s' in %s\n", o.from.c_str(), o.md.c_str());
        return 1;
    }

    std::ostringstream man;
    man << ".TH " << upper(o.name) << " 1 \"\" \"VeltraTerminal " << o.version << "\" \"VeltraTerminal manual\"\n";
    man << ".SH NAME\n" << roffText(o.name, true) << " \\- " << roffText(o.summary, false) << "\n";
    man << ".SH DESCRIPTION\n";
    std::string paragraph;
    auto endParagraph = [&] {
        if (paragraph.empty()) return;
        man << ".PP\n" << safeLine(inlineText(paragraph)) << "\n";
        paragraph.clear();
    };
    bool firstHeading = true;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        std::string heading;
        if (startsWith(l, "```")) {
            endParagraph();
            man << ".PP\n.RS 4\n.nf\n";
            for (++i; i < lines.size() && !startsWith(lines[i], "```"); ++i)
                man << safeLine(roffText(lines[i], true)) << "\n";
            man << ".fi\n.RE\n";
        } else if (const int level = headingLevel(l, &heading); level > 0) {
            endParagraph();
            // The part's first heading is its title, which the name line says; the rest become
            // sections.
            if (firstHeading) {
                firstHeading = false;
                continue;
            }
            firstHeading = false;
            man << (level <= 2 ? ".SH " : ".SS ") << safeLine(inlineText(heading)) << "\n";
        } else if (startsWith(trim(l), "|")) {
            endParagraph();
            // A table: the first column is the tag, the others follow it; the header row and
            // the rule under it are left out.
            std::vector<std::string> header = cells(l);
            size_t j = i + 1;
            if (j < lines.size() && startsWith(trim(lines[j]), "|")) ++j;  // the rule
            for (; j < lines.size() && startsWith(trim(lines[j]), "|"); ++j) {
                const std::vector<std::string> row = cells(lines[j]);
                man << ".TP\n" << safeLine(inlineText(row[0])) << "\n";
                std::string rest;
                for (size_t c = 1; c < row.size(); ++c) {
                    if (row[c].empty()) continue;
                    if (!rest.empty()) rest += "; ";
                    if (c >= 2 && c < header.size()) rest += header[c] + ": ";
                    rest += row[c];
                }
                if (!rest.empty()) man << safeLine(inlineText(rest)) << "\n";
            }
            i = j - 1;
        } else if (startsWith(l, "- ")) {
            endParagraph();
            std::string item = l.substr(2);
            while (i + 1 < lines.size() && startsWith(lines[i + 1], "  ") && !trim(lines[i + 1]).empty())
                item += " " + trim(lines[++i]);
            man << ".IP \\(bu 2\n" << safeLine(inlineText(item)) << "\n";
        } else if (trim(l).empty()) {
            endParagraph();
        } else {
            if (!paragraph.empty()) paragraph += "\n";
            paragraph += trim(l);
        }
    }
    endParagraph();

    if (!o.helpFiles.empty()) {
        man << ".SH SUMMARY\nWhat \\fB" << roffText(o.name, true) << " \\-\\-help\\fR says:\n";
        for (const std::string& h : o.helpFiles) {
            const std::string text = readFile(h, ok);
            if (!ok) {
                std::fprintf(stderr, "md2man: cannot read %s\n", h.c_str());
                return 1;
            }
            man << ".PP\n.nf\n";
            for (const std::string& l : splitLines(text)) man << safeLine(roffText(l, true)) << "\n";
            man << ".fi\n";
        }
    }
    man << ".SH SEE ALSO\n";
    const char* pages[] = {"veltra-terminal", "veltra", "veltra-logger-sim"};
    bool first = true;
    for (const char* p : pages) {
        if (o.name == p) continue;
        man << (first ? "" : ",\n") << "\\fB" << roffText(p, true) << "\\fR(1)";
        first = false;
    }
    man << "\n";

    std::ofstream out(o.out, std::ios::binary | std::ios::trunc);
    out << man.str();
    out.close();
    if (!out) {
        std::fprintf(stderr, "md2man: cannot write %s\n", o.out.c_str());
        return 1;
    }
    return 0;
}
