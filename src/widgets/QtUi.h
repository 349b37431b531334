// Real dialogs: Qt message and input boxes, the printer, the file-management dialog; and the
// unattended services of the terminal, which print to a PDF file.
#pragma once

#include <memory>
#include <string>

#include "platform/UiServices.h"

class QWidget;

namespace vt {

// Real Qt dialogs over a parent window. Printing asks for a printer; where none is
// installed it offers to write a PDF file instead.
class QtUi : public UiServices {
  public:
    explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    MsgResult msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) override;
    std::string inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) override;
    void beep() override;
    bool printPage(const PrintPage& page, std::string* error) override;
    bool printImage(const QImage& image, std::string* error) override;
    void fileManager(const std::string& title, const std::string& filter) override;

  private:
    QWidget* parent_;
};

// Unattended (VELTRA_NONINTERACTIVE=1): boxes as NonInteractiveUi; a page goes to the PDF file
// VELTRA_PRINT_TO names, and printing fails when it names none.
class UnattendedUi : public NonInteractiveUi {
  public:
    bool printPage(const PrintPage& page, std::string* error) override;
    bool printImage(const QImage& image, std::string* error) override;
};

// Writes a page to a PDF file; false with the reason when it cannot.
bool printPageToPdf(const PrintPage& page, const std::string& path, std::string* error);

// The services the terminal uses: real dialogs, or the unattended ones when
// VELTRA_NONINTERACTIVE=1 is set.
std::unique_ptr<UiServices> makeUiServices(QWidget* parent);

}  // namespace vt
