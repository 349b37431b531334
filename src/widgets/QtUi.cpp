#include "widgets/QtUi.h"

#include <cstdlib>

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

namespace {

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
            // Pictures keep their natural size: one picture pixel is 15 twips, however many
            // image pixels an enlarged picture holds for it.
            const QSizeF pixels = item.image->deviceIndependentSize();
            QSizeF size(pixels.width() * 15 * perTwip, pixels.height() * 15 * perTwip);
            p.drawImage(QRectF(at, size), *item.image);
        } else {
            QFont f = p.font();
            if (!page.fontName.empty()) f.setFamily(QString::fromStdString(page.fontName));
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

MsgResult QtUi::msgBox(const std::string& text, MsgButtons buttons, MsgIcon icon, const std::string& title) {
    QMessageBox box(parent_);
    box.setWindowTitle(QString::fromStdString(title));
    box.setText(QString::fromStdString(text));
    switch (icon) {
        case MsgIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case MsgIcon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
        case MsgIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MsgIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case MsgIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
    }
    using SB = QMessageBox::StandardButton;
    QMessageBox::StandardButtons set;
    SB def = SB::Ok;
    switch (buttons) {
        case MsgButtons::OK:
            set = SB::Ok;
            break;
        case MsgButtons::OKCancel:
            set = SB::Ok | SB::Cancel;
            break;
        case MsgButtons::AbortRetryIgnore:
            set = SB::Abort | SB::Retry | SB::Ignore;
            def = SB::Abort;
            break;
        case MsgButtons::YesNoCancel:
            set = SB::Yes | SB::No | SB::Cancel;
            def = SB::Yes;
            break;
        case MsgButtons::YesNo:
            set = SB::Yes | SB::No;
            def = SB::Yes;
            break;
        case MsgButtons::RetryCancel:
            set = SB::Retry | SB::Cancel;
            def = SB::Retry;
            break;
    }
    box.setStandardButtons(set);
    box.setDefaultButton(def);
    switch (box.exec()) {
        case SB::Ok:
            return MsgResult::OK;
        case SB::Cancel:
            return MsgResult::Cancel;
        case SB::Abort:
            return MsgResult::Abort;
        case SB::Retry:
            return MsgResult::Retry;
        case SB::Ignore:
            return MsgResult::Ignore;
        case SB::Yes:
            return MsgResult::Yes;
        case SB::No:
            return MsgResult::No;
        default:
            break;
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
        QString path = QFileDialog::getSaveFileName(parent_, QStringLiteral("Print to PDF"),
                                                    QStringLiteral("print.pdf"), QStringLiteral("PDF (*.pdf)"));
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
        qtFilter = qtFilter.left(bar) + QStringLiteral(" (") +
                   qtFilter.mid(bar + 1).replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
    QFileDialog::getOpenFileName(parent_, QString::fromStdString(title), QString(), qtFilter);
}

bool UnattendedUi::printPage(const PrintPage& page, std::string* error) {
    const char* to = std::getenv("VELTRA_PRINT_TO");
    if (!to || !*to) {
        if (error) *error = "no printer in unattended mode (set VELTRA_PRINT_TO to a PDF file)";
        return false;
    }
    return printToPdf(page, QString::fromLocal8Bit(to), error);
}

bool UnattendedUi::printImage(const QImage& image, std::string* error) { return printPage(imagePage(image), error); }

bool printPageToPdf(const PrintPage& page, const std::string& path, std::string* error) {
    return printToPdf(page, QString::fromStdString(path), error);
}

std::unique_ptr<UiServices> makeUiServices(QWidget* parent) {
    if (nonInteractive()) return std::make_unique<UnattendedUi>();
    return std::make_unique<QtUi>(parent);
}

}  // namespace vt
