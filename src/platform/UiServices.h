// Dialog services: message box, input box, file chooser, printer, beep.
//
// Every procedure that asks the user something goes through this interface, so the same
// code runs with real Qt dialogs in the terminal, with scripted answers in the tests, and
// unattended (VELTRA_NONINTERACTIVE=1) where boxes go to standard error and take their
// default answer.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QImage;

namespace vt {

enum class MsgButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// The first button of a set is its default.
MsgResult defaultAnswer(MsgButtons buttons);

// One page to print or to write as PDF: lines of text and images placed at positions in
// twips (1/1440 inch) from the top-left corner of the printable area.
struct PrintPage {
    struct Item {
        double xTwips = 0, yTwips = 0;
        std::string text;  // a text line when image is null
        int fontPoints = 10;
        std::shared_ptr<QImage> image;
    };
    std::vector<Item> items;
    std::string fontName;  // font family of the text lines; empty: the printer's own
};

class UiServices {
  public:
    virtual ~UiServices() = default;
    virtual MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) = 0;
    // Returns the typed text; an empty text when the user cancels.
    virtual std::string inputBox(const std::string& prompt, const std::string& title,
                                 const std::string& defaultText) = 0;
    virtual void beep() = 0;
    // Prints a page (or writes it to a PDF file where there is no printer). Returns false
    // when the user cancelled the printer choice or printing failed; error explains why.
    virtual bool printPage(const PrintPage& page, std::string* error) = 0;
    // Prints a window's image (the list window's print button).
    virtual bool printImage(const QImage& image, std::string* error) = 0;
    // The platform's file-management dialog (open dialog whose choice is not used).
    virtual void fileManager(const std::string& title, const std::string& filter) = 0;

    // Message box with the usual OK button.
    void msg(const std::string& text, MsgIcon icon, const std::string& title) {
        msgBox(text, MsgButtons::OK, icon, title);
    }
};

// True when VELTRA_NONINTERACTIVE=1 is set in the environment.
bool nonInteractive();

// Headless runs (tests, the tool, a terminal without a session) often have no
// XDG_RUNTIME_DIR; Qt then warns on every start. Give it a private folder instead.
void quietRuntimeDir();

// Writes every box to standard error and answers with the default button; input boxes
// answer empty (cancel); printing writes nothing and reports it (the widgets library's
// unattended services print to a PDF file instead).
class NonInteractiveUi : public UiServices {
  public:
    MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
    void beep() override {}
    bool printPage(const PrintPage& page, std::string* error) override;
    bool printImage(const QImage& image, std::string* error) override;
    void fileManager(const std::string&, const std::string&) override {}
};

// Scripted answers for tests: queued answers are taken in order; every box shown is kept.
class ScriptedUi : public UiServices {
  public:
    struct Shown {
        std::string text, title;
        MsgButtons buttons;
        MsgIcon icon;
    };
    std::deque<MsgResult> msgAnswers;      // empty queue: the default button
    std::deque<std::string> inputAnswers;  // empty queue: cancel
    std::vector<Shown> messages;
    std::vector<std::string> prompts;
    int beeps = 0;
    std::vector<PrintPage> printed;
    int printedImages = 0;
    bool printerAvailable = true;
    std::function<void(const Shown&)> onMessage;  // lets a test act while a box is "open"

    MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
    void beep() override { ++beeps; }
    bool printPage(const PrintPage& page, std::string* error) override;
    bool printImage(const QImage& image, std::string* error) override;
    void fileManager(const std::string&, const std::string&) override {}
};

}  // namespace vt
