// The list window on the offscreen platform: real mouse events on its list box pick laps,
// select several lines, delete them, and close the window with the chosen lap.
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <cstdlib>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "LogTestSupport.h"
#include "logfiles/Form3.h"
#include "logfiles/LapLists.h"

namespace vt::test {
namespace {

using ::testing::StartsWith;

class ListWindowGui : public ::testing::Test {
  protected:
    TestApp app{false};
    TempDir dir;
    Form3State st;
    std::unique_ptr<Form3> window;

    void SetUp() override {
        loadEnglish(app.m);
        loggen::GenOptions o;
        o.laps = 5;
        generateTo(dir.file("gui.log"), o);
        std::string error;
        ASSERT_TRUE(log_open_path(app.m, app.f, app.s, dir.file("gui.log"), nullptr, &error)) << error;
        app.m.SelLap = 0;
        list_size(app.m, st);
        window = std::make_unique<Form3>(app.m, app.f, app.s, st, nullptr);
        window->show();
        QApplication::processEvents();
    }

    QWidget* viewport() const { return window->text1()->viewport(); }
    // The middle of column `col` of line `line` in the list box.
    QPoint at(int line, int col) const {
        QTextCursor c(window->text1()->document()->findBlockByNumber(line));
        c.setPosition(c.block().position() + col);
        return window->text1()->cursorRect(c).center();
    }
    void send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(p), QPointF(viewport()->mapToGlobal(p)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &e);
    }
    void press(QPoint p) { send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton); }
    void move(QPoint p) { send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton); }
    void release(QPoint p) { send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton); }
    void click(QPoint p) {
        press(p);
        release(p);
    }
    QString selected() const { return window->text1()->textCursor().selectedText(); }
    std::string lineText(int line) const {
        return window->text1()->document()->findBlockByNumber(line).text().toStdString();
    }
};

TEST_F(ListWindowGui, ShowsTheListWithItsHeaderAndCaptions) {
    EXPECT_EQ(window->text2()->toPlainText().toStdString(), kLapListHeadKmh);
    EXPECT_EQ(window->text1()->document()->blockCount(), 5);
    EXPECT_THAT(lineText(0), StartsWith("   5 "));
    EXPECT_EQ(window->windowTitle().toStdString(), lang(app.m, 68));
    EXPECT_EQ(window->button(st.Command1)->text().toStdString(), lang(app.m, 70));
    EXPECT_TRUE(window->button(st.DEL)->isVisible());
    EXPECT_TRUE(window->text1()->font().fixedPitch() || QFontInfo(window->text1()->font()).fixedPitch());
}

TEST_F(ListWindowGui, AClickSelectsItsWholeLineAndPicksTheLap) {
    click(at(2, 30));
    EXPECT_EQ(st.PickLap, 3);
    EXPECT_EQ(selected().size(), 76);  // 75 characters and the line end
    EXPECT_TRUE(app.ui.messages.empty());
    click(at(2, 40));  // again on the selected line
    EXPECT_EQ(st.PickLap, 3);
    EXPECT_TRUE(app.ui.messages.empty());
}

TEST_F(ListWindowGui, DraggingDownOverThreeLinesDeletesThreeLaps) {
    press(at(1, 3));
    move(at(2, 20));
    move(at(3, 10));
    release(at(3, 10));
    EXPECT_EQ(app.m.DelList[1], 4);
    EXPECT_EQ(app.m.DelList[2], 3);
    EXPECT_EQ(app.m.DelList[3], 2);
    EXPECT_EQ(app.m.DelList[4], 0);
    window->button(st.DEL)->click();
    for (int line : {1, 2, 3}) EXPECT_EQ(lineText(line), "  --   " + std::string(68, ' '));
    EXPECT_THAT(lineText(0), StartsWith("   5 "));
    EXPECT_NE(st.BestLap, 4);
    window->button(st.UN_DO)->click();
    EXPECT_THAT(lineText(2), StartsWith("   3 "));
}

TEST_F(ListWindowGui, DraggingUpwardsClearsTheSelectionAndComplains) {
    const int beeps = app.ui.beeps;
    press(at(3, 10));
    move(at(1, 10));
    release(at(1, 10));
    EXPECT_TRUE(selected().isEmpty());
    EXPECT_EQ(st.PickLap, 0);
    ASSERT_EQ(app.ui.messages.size(), 1u);
    EXPECT_EQ(app.ui.messages[0].text, lang(app.m, 79));
    EXPECT_EQ(app.ui.beeps, beeps + 1);
}

TEST_F(ListWindowGui, DoubleClickClosesWithTheLap) {
    const QPoint p = at(0, 12);
    press(p);
    release(p);
    send(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    release(p);
    EXPECT_EQ(app.m.SelLap, 5);
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(app.ui.messages.empty());
}

TEST_F(ListWindowGui, PickButtonNeedsAPick) {
    window->button(st.Command1)->click();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(app.ui.messages.size(), 1u);
    click(at(4, 2));
    window->button(st.Command1)->click();
    EXPECT_EQ(app.m.SelLap, 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(ListWindowGui, PrintSendsTheWindowImage) {
    window->button(st.Command2)->click();
    EXPECT_EQ(app.ui.printedImages, 1);
    ASSERT_EQ(app.ui.printed.size(), 1u);
    ASSERT_TRUE(app.ui.printed[0].items[0].image);
    EXPECT_GT(app.ui.printed[0].items[0].image->width(), 300);
    EXPECT_TRUE(window->button(st.Command2)->isVisible());
    EXPECT_TRUE(window->button(st.DEL)->isVisible());
    shot(*window, "form3");
}

}  // namespace
}  // namespace vt::test
