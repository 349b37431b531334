// The log-file windows on the offscreen platform: real mouse events in the list window, the
// list menus of the main window and the chooser they open.
#include <filesystem>

#include <QApplication>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBlock>
#include <QTimer>

#include "LogTestSupport.h"
#include "logfiles/ui/FileWindows.h"
#include "logfiles/ui/Form3.h"
#include "shell/ui/mainform.h"

namespace vt::test {
namespace {

struct LogMenus : LogTest {
    std::unique_ptr<mainform> window;
    Form3* list = nullptr;
    void SetUp() override {
        LogTest::SetUp();
        set_folders(app.m, dir.path());
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
    }
    // Runs `act` on the modal window once it is up (the menu waits for it to close).
    template <class W>
    void whenShown(std::function<void(W&)> act) {
        QTimer::singleShot(0, [act] {
            QApplication::processEvents();
            if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) act(*w);
        });
    }

    QWidget* viewport() const { return list->text1()->viewport(); }
    // The middle of column `col` of line `line`.
    QPoint at(int line, int col) const {
        QTextCursor c(list->text1()->document()->findBlockByNumber(line));
        c.setPosition(c.block().position() + col);
        return list->text1()->cursorRect(c).center();
    }
    void send(QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
        QMouseEvent e(type, QPointF(p), QPointF(viewport()->mapToGlobal(p)), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(viewport(), &e);
    }
    // Button down at `from`, moved over `via`, released at the last point.
    void drag(QPoint from, std::initializer_list<QPoint> via = {}) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        QPoint last = from;
        for (QPoint p : via) send(QEvent::MouseMove, last = p, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, last, Qt::LeftButton, Qt::NoButton);
    }
    void doubleClick(QPoint p) {
        drag(p);
        send(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    }
    QString selected() const { return list->text1()->textCursor().selectedText(); }
    std::string lineText(int line) const {
        return list->text1()->document()->findBlockByNumber(line).text().toStdString();
    }
    // The list window as the mouse works it: a click picks its line, a drag over three lines and
    // DEL dash them, UN_DO, print, and a double click on lap 2 closes it. What each pick and
    // button does to the laps is the unit tests'.
    void workTheList() {
        EXPECT_EQ(list->text2()->toPlainText().toStdString(), kLapListHeadKmh);
        const Form3State& st = list->state();
        drag(at(2, 30));
        EXPECT_EQ(st.PickLap, 3);
        EXPECT_EQ(selected().size(), 76);  // the whole line: 75 characters and the line end
        drag(at(3, 10), {at(1, 10)});      // upwards: the release's height reaches the pick
        EXPECT_TRUE(selected().isEmpty());
        drag(at(1, 3), {at(2, 20), at(3, 10)});
        list->button(st.DEL)->click();
        EXPECT_EQ(lineText(2), kDashedLine);
        list->button(st.UN_DO)->click();
        EXPECT_THAT(lineText(2), StartsWith("   3 "));
        list->button(st.Command2)->click();
        EXPECT_EQ(app.ui.printedImages, 1);
        doubleClick(at(3, 12));  // lap 2
        EXPECT_EQ(list->result(), QDialog::Accepted);
    }
};

TEST_F(LogMenus, ListMenusRefuseWithoutALogAndOpenInTheirModes) {
    window->trigger(app.f.all_lap_list);
    EXPECT_TRUE(lastMessageIs(128));
    window->trigger(app.f.lap_seg_list);
    window->trigger(app.f.seg_list);
    EXPECT_EQ(app.f.Label1.Caption, lang(app.m, 150));
    EXPECT_EQ(app.ui.beeps, 2);
    EXPECT_TRUE(app.ui.prompts.empty());

    openGenerated();
    int mode = -1;
    auto look = [&mode](Form3& list) {
        mode = list.state().Mode;
        list.reject();
    };
    app.ui.inputAnswers = {"2.6"};
    whenShown<Form3>(look);
    window->trigger(app.f.seg_list);
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(app.m.SegListNo, 3);
    whenShown<Form3>(look);
    window->trigger(app.f.lap_seg_list);
    EXPECT_EQ(mode, 1);
}

TEST_F(LogMenus, LapListWorkedByTheMouseHandsThePickedLapOn) {
    openGenerated();
    whenShown<Form3>([](Form3& w) { w.reject(); });
    window->trigger(app.f.all_lap_list);
    EXPECT_EQ(app.m.SelLap, 0);  // closed: nothing chosen
    EXPECT_EQ(app.f.lap_no.Caption, "");
    whenShown<Form3>([this](Form3& w) {
        list = &w;
        workTheList();
    });
    window->trigger(app.f.all_lap_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::pair(int{app.m.LapCur}, app.f.lap_no.Caption), std::pair(2, std::string(" 2 ")));
    EXPECT_GT(app.m.RecCount, 100);
    EXPECT_FALSE(app.f.Corse_trans.Enabled);
}

TEST_F(LogMenus, TheListsReferenceButtonMakesThePickedLapTheReference) {
    openGenerated();
    whenShown<Form3>([this](Form3& w) {
        list = &w;
        const Form3State& st = w.state();
        EXPECT_TRUE(st.REF_SET.Visible);
        w.button(st.REF_SET)->click();  // nothing picked yet: refused
        EXPECT_TRUE(lastMessageIs(79, MsgIcon::Question));
        drag(at(2, 30));
        w.button(st.REF_SET)->click();
        EXPECT_EQ(st.RefPick, 3);
        EXPECT_EQ(st.RefLabel.Caption, app.m.LangText[294] + "3");
        doubleClick(at(3, 12));  // lap 2 chosen
    });
    window->trigger(app.f.all_lap_list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(app.m.LapCur, 2);
    EXPECT_TRUE(app.f.RefLap.On && app.f.Ref_clear.Enabled);
    EXPECT_EQ(std::pair(int{app.f.RefLap.Lap}, app.f.RefLap.Name), std::pair(3, std::string("gen")));
    // Picked with no lap chosen: shown at once on the lap already chosen.
    whenShown<Form3>([this](Form3& w) {
        list = &w;
        drag(at(0, 30));
        w.button(w.state().REF_SET)->click();
        w.reject();
    });
    window->trigger(app.f.all_lap_list);
    EXPECT_EQ(std::pair(int{app.f.RefLap.Lap}, int{app.m.LapCur}), std::pair(5, 2));
}

TEST_F(LogMenus, OpenLogChooserListsTheLogFolderAndADoubleClickLoads) {
    std::filesystem::create_directory(app.m.LogDir);
    generateTo(app.m.LogDir + "/b.log");
    for (const char* name : {"a.log", "c.dat", "d.txt"}) writeFile(app.m.LogDir + "/" + name, "x");
    QStringList files;
    whenShown<File_Form>([&files](File_Form& chooser) {
        for (int i = 0; i < 200 && files.size() < 2; ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            files = chooser.shownFiles();
        }
        const QAbstractItemModel* model = chooser.files()->model();
        const QModelIndex root = chooser.files()->rootIndex();
        emit chooser.files()->doubleClicked(model->match(model->index(0, 0, root), Qt::DisplayRole, "b.log").value(0));
    });
    window->trigger(app.f.MOpenLog);
    EXPECT_EQ(files, (QStringList{"a.log", "b.log"}));
    EXPECT_EQ(app.m.LogFileName, app.m.LogDir + "/b.log");
    EXPECT_EQ(app.m.LapLast, 5);
}

}  // namespace
}  // namespace vt::test
