#include "display/Printing.h"

#include <memory>
#include <string>
#include <utility>

#include "display/Graphs.h"

namespace vt {

namespace {

// The printer moves down 1.2 times the font size per line; a point is 20 twips.
constexpr double kTwipsPerLinePoint = 20 * 1.2;

struct PageWriter {
    PrintPage page;
    double y = 0;  // the print position of the next text line

    void line(std::string text, int points) {
        if (!text.empty()) page.items.push_back({0, y, std::move(text), points, nullptr});
        y += points * kTwipsPerLinePoint;
    }
    void picture(Canvas& pic, double x, double top) {
        std::shared_ptr<QImage> image = pic.snapshot();
        if (!image) return;
        PrintPage::Item item;
        item.xTwips = x;
        item.yTwips = top;
        item.image = std::move(image);
        page.items.push_back(std::move(item));
    }
};

bool isGraphKind(int kind) { return kind == 3 || kind == 4 || kind == 5 || kind == 7 || kind == 8; }

}  // namespace

PrintPage form_print_page(Module1& m, MainformState& f) {
    PageWriter w;
    w.page.fontName = m.UiFontName;
    w.line("", page::kHeaderPoints);
    w.line(lang(m, 148) + f.namae.Caption + lang(m, 149) + f.hiniti.Caption, page::kHeaderPoints);
    w.line(std::string("    Lap No,") + kFullWidthColon + " " + f.lap_no.Caption, page::kLapPoints);
    w.line(std::string("    Time    ") + kFullWidthColon + " " + f.lap_time.Caption, page::kLapPoints);
    w.picture(*f.Picture1, page::kCourseLeft, page::kPicturesTop);
    w.picture(*f.Picture3, page::kPanelLeft, page::kPicturesTop);

    // The in-line G graph (kind 7) is never printed.
    const int16_t shown = m.GraphKind;
    for (size_t i = 0; i < std::size(page::kGraphKinds); ++i) {
        m.GraphKind = static_cast<int16_t>(page::kGraphKinds[i]);
        grf_refresh(m, f);
        w.picture(*f.Picture2, page::kGraphLeft, page::kGraphTops[i]);
    }
    m.GraphKind = shown;
    grf_refresh(m, f);
    // No graph was chosen: the printed ones do not stay behind on screen.
    if (!isGraphKind(shown)) f.Picture2->Cls();
    return std::move(w.page);
}

void form_print_Click(Module1& m, MainformState& f, Services& s) {
    const PrintPage page = form_print_page(m, f);
    std::string error;
    s.ui.printPage(page, &error);  // a cancelled choice or a failing printer says nothing
}

}  // namespace vt
