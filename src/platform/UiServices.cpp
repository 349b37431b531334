#include "platform/UiServices.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace vt {

MsgResult defaultAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OK:
        case MsgButtons::OKCancel:
            return MsgResult::OK;
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNo:
            return MsgResult::Yes;
        case MsgButtons::RetryCancel:
            return MsgResult::Retry;
    }
    return MsgResult::OK;
}

bool nonInteractive() {
    const char* v = std::getenv("VELTRA_NONINTERACTIVE");
    return v && std::strcmp(v, "1") == 0;
}

void quietRuntimeDir() {
    if (std::getenv("XDG_RUNTIME_DIR")) return;
    std::string dir = "/tmp/runtime-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return;
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || st.st_uid != getuid()) return;
    chmod(dir.c_str(), 0700);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

namespace {

const char* resultName(MsgResult r) {
    switch (r) {
        case MsgResult::OK:
            return "OK";
        case MsgResult::Cancel:
            return "Cancel";
        case MsgResult::Abort:
            return "Abort";
        case MsgResult::Retry:
            return "Retry";
        case MsgResult::Ignore:
            return "Ignore";
        case MsgResult::Yes:
            return "Yes";
        case MsgResult::No:
            return "No";
    }
    return "?";
}

}  // namespace

// ---- unattended -------------------------------------------------------------------------

MsgResult NonInteractiveUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon, const std::string& title) {
    MsgResult r = defaultAnswer(buttons);
    std::fprintf(stderr, "[%s] %s -> %s\n", title.c_str(), text.c_str(), resultName(r));
    return r;
}

std::string NonInteractiveUi::inputBox(const std::string& prompt, const std::string& title, const std::string&) {
    std::fprintf(stderr, "[%s] %s -> (no answer)\n", title.c_str(), prompt.c_str());
    return {};
}

bool NonInteractiveUi::printPage(const PrintPage&, std::string* error) {
    if (error) *error = "no printer in unattended mode";
    return false;
}

bool NonInteractiveUi::printImage(const QImage&, std::string* error) { return printPage(PrintPage{}, error); }

// ---- scripted ---------------------------------------------------------------------------

MsgResult ScriptedUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
    messages.push_back({text, title, buttons, icon});
    if (onMessage) onMessage(messages.back());
    if (msgAnswers.empty()) return defaultAnswer(buttons);
    MsgResult r = msgAnswers.front();
    msgAnswers.pop_front();
    return r;
}

std::string ScriptedUi::inputBox(const std::string& prompt, const std::string&, const std::string&) {
    prompts.push_back(prompt);
    if (inputAnswers.empty()) return {};
    std::string r = inputAnswers.front();
    inputAnswers.pop_front();
    return r;
}

bool ScriptedUi::printPage(const PrintPage& page, std::string* error) {
    if (!printerAvailable) {
        if (error) *error = "cancelled";
        return false;
    }
    printed.push_back(page);
    return true;
}

bool ScriptedUi::printImage(const QImage&, std::string* error) {
    if (!printerAvailable) {
        if (error) *error = "cancelled";
        return false;
    }
    ++printedImages;
    return true;
}

}  // namespace vt
