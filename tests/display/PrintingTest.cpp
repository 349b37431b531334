// The printed lap report: the header lines in both language files with the full-width colon,
// the pictures at their places, graphs 3, 4 and 5 whatever graph is on screen (7 never), the
// screen's graph back as it was afterwards, and a cancelled or failing printer that ends
// quietly.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QImage>

#include "display/Graphs.h"
#include "display/Printing.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "support/LapTestSupport.h"

namespace vt::test {
namespace {

struct PrintApp : TestApp {
    TempDir dir;
    explicit PrintApp(const char* language = "en") : TestApp(false) {
        std::string fail;
        EXPECT_TRUE(lang_load(m, sourceDir() + "/lang/" + language + "/LANG.TXT", &fail)) << fail;
        set_folders(m, dir.path());
        Form_Load(m, f, s);
        openGeneratedLap(*this, dir, 2, {});
    }
    QImage graph() { return *f.Picture2->snapshot(); }
    // The picture of graph `kind` as the graph button draws it.
    QImage drawn(int kind) {
        m.GraphKind = static_cast<int16_t>(kind);
        grf_refresh(m, f);
        return graph();
    }
};

// The page's pictures, or its texts.
std::vector<const PrintPage::Item*> itemsOf(const PrintPage& page, bool images) {
    std::vector<const PrintPage::Item*> out;
    for (const auto& item : page.items)
        if (static_cast<bool>(item.image) == images) out.push_back(&item);
    return out;
}

TEST(PrintedPage, CarriesGraphs345WhateverIsOnScreenAndGivesTheScreenBack) {
    for (int shown : {7, 0, 3}) {
        PrintApp app;
        if (shown == 0) {
            app.f.Picture2->Cls();  // no graph chosen: nothing on the graph picture
            app.m.GraphKind = 0;
        } else {
            app.drawn(shown);
        }
        const QImage before = app.graph();
        const QImage course = *app.f.Picture1->snapshot();
        const QImage panel = *app.f.Picture3->snapshot();

        form_print_Click(app.m, app.f, app.s);
        ASSERT_EQ(app.ui.printed.size(), 1u) << shown;
        EXPECT_EQ(app.m.GraphKind, shown);
        EXPECT_TRUE(app.graph() == before) << "graph " << shown << " is not back on screen";

        const PrintPage& page = app.ui.printed[0];
        const auto images = itemsOf(page, true);
        ASSERT_EQ(images.size(), 5u) << shown;
        const double places[5][2] = {{0, 1200}, {3900, 1200}, {2000, 5000}, {2000, 8400}, {2000, 11800}};
        for (size_t i = 0; i < images.size(); ++i)
            EXPECT_EQ(std::pair(images[i]->xTwips, images[i]->yTwips), std::pair(places[i][0], places[i][1])) << i;
        EXPECT_TRUE(*images[0]->image == course);
        EXPECT_TRUE(*images[1]->image == panel);
        EXPECT_TRUE(*images[2]->image == app.drawn(3)) << shown;
        EXPECT_TRUE(*images[3]->image == app.drawn(4)) << shown;
        EXPECT_TRUE(*images[4]->image == app.drawn(5)) << shown;
        EXPECT_FALSE(*images[4]->image == app.drawn(7));
    }
}

TEST(PrintedPage, HeaderLinesInBothLanguagesWithTheFullWidthColon) {
    const struct {
        const char *language, *name, *date, *font;
    } cases[] = {
        {"en", "    Name : ", "    Date : ", "DejaVu Sans"},
        {"ja", "    \xE5\x90\x8D\xE5\x89\x8D \xEF\xBC\x9A ", "    \xE6\x97\xA5\xE4\xBB\x98 \xEF\xBC\x9A ", "IPAGothic"},
    };
    for (const auto& c : cases) {
        PrintApp app(c.language);
        const PrintPage page = form_print_page(app.m, app.f);
        EXPECT_EQ(page.fontName, c.font);
        const auto texts = itemsOf(page, false);
        ASSERT_EQ(texts.size(), 3u);
        const std::string colon = "\xEF\xBC\x9A";  // U+FF1A
        EXPECT_EQ(texts[0]->text, c.name + std::string("gen") + c.date + app.f.hiniti.Caption);
        EXPECT_EQ(texts[1]->text, "    Lap No," + colon + "  2 ");
        EXPECT_EQ(texts[2]->text, "    Time    " + colon + " " + app.f.lap_time.Caption);
        EXPECT_FALSE(app.f.lap_time.Caption.empty());
        // After an empty line; the lap lines larger, all above the pictures at 1200 twips.
        EXPECT_EQ(std::pair(texts[0]->yTwips, texts[0]->fontPoints), std::pair(240.0, 10));
        EXPECT_EQ(std::pair(texts[1]->yTwips, texts[1]->fontPoints), std::pair(480.0, 14));
        EXPECT_GT(texts[2]->yTwips, texts[1]->yTwips);
        EXPECT_LE(texts[2]->yTwips + 14 * 24, 1200);
        for (const auto* t : texts) EXPECT_EQ(t->xTwips, 0);
    }
}

TEST(PrintedPage, ACancelledOrFailingPrinterEndsQuietlyWithTheGraphBack) {
    PrintApp app;
    const QImage shown = app.drawn(4);
    app.ui.printerAvailable = false;
    const int beeps = app.ui.beeps;
    const size_t messages = app.ui.messages.size();
    form_print_Click(app.m, app.f, app.s);
    EXPECT_TRUE(app.ui.printed.empty());
    EXPECT_EQ(app.ui.messages.size(), messages);
    EXPECT_EQ(app.ui.beeps, beeps);
    EXPECT_EQ(app.m.GraphKind, 4);
    EXPECT_TRUE(app.graph() == shown);
}

TEST(PrintedPage, PicturesThatDrawNoImageAreLeftOff) {
    TestApp app;  // recording canvases
    app.m.GraphKind = 3;
    const PrintPage page = form_print_page(app.m, app.f);
    EXPECT_TRUE(itemsOf(page, true).empty());
    EXPECT_EQ(itemsOf(page, false).size(), 2u);  // the lap lines; the name line is empty here
    EXPECT_EQ(app.m.GraphKind, 3);
}

}  // namespace
}  // namespace vt::test
