#include "platform/UiServices.h"

#include <cstdio>
#include <cstdlib>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

namespace vt {

MsgResult defaultAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OK:
        case MsgButtons::OKCancel: return MsgResult::OK;
        case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNo: return MsgResult::Yes;
        case MsgButtons::RetryCancel: return MsgResult::Retry;
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
        case MsgResult::OK: return "OK";
        case MsgResult::Cancel: return "Cancel";
        case MsgResult::Abort: return "Abort";
        case MsgResult::Retry: return "Retry";
        case MsgResult::Ignore: return "Ignore";
        case MsgResult::Yes: return "Yes";
        case MsgResult::No: return "No";
    }
    return "?";
}

// Draws a page onto a printer (or PDF writer); positions are twips from the printable area.
bool paintPage(QPrinter& printer, const PrintPage& page, std::string* error) {
    QPainter p;
    if (!p.begin(&printer)) {
        if (error) *error = "cannot start printing";
        return false;
    }
    const double perTwip = printer.resolution() / 1440.0;
    for (const auto& item : page.items) {
        QPointF at(item.xTwips * perTwip, item.yTwips * perTwip);
        if (item.image) {
            // Pictures keep their natural size: one screen pixel is 15 twips.
            QSizeF size(item.image->width() * 15 * perTwip, item.image->height() * 15 * perTwip);
            p.drawImage(QRectF(at, size), *item.image);
        } else {
            QFont f = p.font();
            f.setPointSize(item.fontPoints);
            p.setFont(f);
            QFontMetricsF fm(f, &printer);
            p.drawText(QPointF(at.x(), at.y() + fm.ascent()), QString::fromStdString(item.text));
        }
    }
    return p.end();
}

PrintPage imagePage(const QImage& image) {
    PrintPage page;
    PrintPage::Item item;
    item.image = std::make_shared<QImage>(image);
    page.items.push_back(item);
    return page;
}

bool printToPdf(const PrintPage& page, const QString& path, std::string* error) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    if (!paintPage(printer, page, error)) return false;
    return true;
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

bool NonInteractiveUi::printPage(const PrintPage& page, std::string* error) {
    const char* to = std::getenv("VELTRA_PRINT_TO");
    if (!to || !*to) {
        if (error) *error = "no printer in unattended mode (set VELTRA_PRINT_TO to a PDF file)";
        return false;
    }
    return printToPdf(page, QString::fromLocal8Bit(to), error);
}

bool NonInteractiveUi::printImage(const QImage& image, std::string* error) { return printPage(imagePage(image), error); }

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

bool ScriptedUi::printImage(const QImage& image, std::string* error) {
    if (!printerAvailable) {
        if (error) *error = "cancelled";
        return false;
    }
    ++printedImages;
    printed.push_back(imagePage(image));
    return true;
}

// ---- Qt dialogs -------------------------------------------------------------------------

MsgResult QtUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    switch (icon) {
        case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
        case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
        case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
        case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
        case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    using SB = QMessageBox::StandardButton;
    QMessageBox::StandardButtons set;
    SB def = SB::Ok;
    switch (buttons) {
        case MsgButtons::OK: set = SB::Ok; break;
        case MsgButtons::OKCancel: set = SB::Ok | SB::Cancel; break;
        case MsgButtons::AbortRetryIgnore: set = SB::Abort | SB::Retry | SB::Ignore; def = SB::Abort; break;
        case MsgButtons::YesNoCancel: set = SB::Yes | SB::No | SB::Cancel; def = SB::Yes; break;
        case MsgButtons::YesNo: set = SB::Yes | SB::No; def = SB::Yes; break;
        case MsgButtons::RetryCancel: set = SB::Retry | SB::Cancel; def = SB::Retry; break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(def);
    switch (box.exec()) {
        case SB::Ok: return MsgResult::OK;
        case SB::Cancel: return MsgResult::Cancel;
        case SB::Abort: return MsgResult::Abort;
        case SB::Retry: return MsgResult::Retry;
        case SB::Ignore: return MsgResult::Ignore;
        case SB::Yes: return MsgResult::Yes;
        case SB::No: return MsgResult::No;
        default: break;
    }
    // Closed with the window's close box: the box's escape answer.
    return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

std::string QtUi::inputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    bool ok = false;
    QString s = QInputDialog::getText(parent_, QString::fromStdString(title), QString::fromStdString(prompt),
                                      QLineEdit::Normal, QString::fromStdString(defaultText), &ok);
    return ok ? s.toStdString() : std::string();
}

void QtUi::beep() { QApplication::beep(); }

bool QtUi::printPage(const PrintPage& page, std::string* error) {
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        // No printer installed: offer a PDF file instead.
        QString path = QFileDialog::getSaveFileName(parent_, QStringLiteral("Print to PDF"), QStringLiteral("print.pdf"),
                                                    QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty()) {
            if (error) *error = "cancelled";
            return false;
        }
        return printToPdf(page, path, error);
    }
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent_);
    if (dialog.exec() != QDialog::Accepted) {
        if (error) *error = "cancelled";
        return false;
    }
    return paintPage(printer, page, error);
}

bool QtUi::printImage(const QImage& image, std::string* error) { return printPage(imagePage(image), error); }

void QtUi::fileManager(const std::string& title, const std::string& filter) {
    // The program's filters read "text|*.a;*.b"; Qt's read "text (*.a *.b)".
    QString qtFilter = QString::fromStdString(filter);
    if (const qsizetype bar = qtFilter.indexOf(QLatin1Char('|')); bar >= 0)
        qtFilter = qtFilter.left(bar) + QStringLiteral(" (") + qtFilter.mid(bar + 1).replace(QLatin1Char(';'), QLatin1Char(' ')) +
                   QLatin1Char(')');
    QFileDialog::getOpenFileName(parent_, QString::fromStdString(title), QString(), qtFilter);
}

std::unique_ptr<UiServices> makeUiServices(QWidget* parent) {
    if (nonInteractive()) return std::make_unique<NonInteractiveUi>();
    return std::make_unique<QtUi>(parent);
}

}  // namespace vt
