// The course and parameter windows through the main window on the offscreen platform: the course
// editor's dialog worked by its bars and buttons, a course loaded through the file chooser, and
// the parameter editor shown without blocking, loading its defaults each time it opens.
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

#include "course/CourseFile.h"
#include "course/LapChoice.h"
#include "course/ui/Corse_para.h"
#include "logfiles/LogFile.h"
#include "logfiles/ui/FileWindows.h"
#include "loggen/LogGenerator.h"
#include "params/ui/MAIN_PARA.h"
#include "shell/MainformProcs.h"
#include "shell/Startup.h"
#include "shell/ui/ParamMenus.h"
#include "shell/ui/mainform.h"
#include "support/TestApp.h"

namespace vt::test {
namespace {

using ::testing::HasSubstr;

// Saves a picture of a window for a person to look at, when VELTRA_SHOT_DIR names a folder.
void shot(QWidget& w, const std::string& name) {
    if (const char* folder = std::getenv("VELTRA_SHOT_DIR"))
        w.grab().save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
}

struct CourseWindows : ::testing::Test {
    TestApp app{false};
    TempDir dir;
    std::unique_ptr<mainform> window;
    void SetUp() override {
        std::string fail;
        ASSERT_TRUE(lang_load(app.m, sourceDir() + "/lang/en/LANG.TXT", &fail)) << fail;
        set_folders(app.m, dir.path());
        window = std::make_unique<mainform>(app.m, app.f, app.s);
        window->show();
        window->load();
    }
    // Runs `act` on the modal window of type W once it is up (the menu waits for it to close).
    template <class W>
    void whenShown(std::function<void(W&)> act) {
        QTimer::singleShot(0, [act] {
            QApplication::processEvents();
            if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) act(*w);
        });
    }
    QPushButton* buttonCaptioned(QWidget& w, const std::string& caption) {
        for (auto* b : w.findChildren<QPushButton*>())
            if (b->text().toStdString() == caption) return b;
        return nullptr;
    }
};

TEST_F(CourseWindows, EditorDialogWorkedByItsBarsMakesAndSavesACourse) {
    const loggen::GenResult gen = loggen::generateLog({.laps = 3, .segments = 4, .seed = 5});
    ASSERT_TRUE(gen) << gen.error;
    const std::vector<std::uint8_t> bytes = gen.memory->fileBytes();
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(log_read(app.m, in, nullptr, nullptr));
    ASSERT_TRUE(choose_lap(app.m, app.f, app.s, 2));

    std::string status;
    std::function<void(Corse_para&)> second = [&](Corse_para& dialog) {
        EXPECT_EQ(app.m.GraphKind, 4);
        shot(*window, "course-editor-main");
        shot(dialog, "course-editor");
        buttonCaptioned(dialog, app.m.LangText[104])->click();  // record
    };
    whenShown<Corse_para>([&](Corse_para& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), app.m.LangText[99]);
        dialog.bar(2)->setValue(80);  // out G above in G: in G follows
        dialog.bar(1)->setValue(70);
        dialog.bar(3)->setValue(30);
        EXPECT_EQ(dialog.bar(2)->value(), 70);
        status = app.f.Label1.Caption;
        whenShown(second);
        buttonCaptioned(dialog, app.m.LangText[103])->click();  // exec
    });
    app.ui.inputAnswers = {"window"};
    window->trigger(app.f.Corse_edit);
    EXPECT_EQ(app.m.HdrWord8, 70);
    EXPECT_EQ(app.m.HdrByte10, 70);
    EXPECT_EQ(app.m.SegMinLen, 30);
    EXPECT_EQ(status, app.m.LangText[131]);
    EXPECT_TRUE(std::filesystem::exists(app.m.CorseDir + "/window.dat"));
    EXPECT_EQ(app.f.Label1.Caption.rfind(app.m.LangText[134], 0), 0u);

    // Loaded again through the file chooser, which lists the course folder's ".dat" files.
    QStringList files;
    whenShown<File_Form>([&files](File_Form& chooser) {
        for (int i = 0; i < 200 && files.isEmpty(); ++i) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            files = chooser.shownFiles();
        }
        const QAbstractItemModel* model = chooser.files()->model();
        const QModelIndex root = chooser.files()->rootIndex();
        emit chooser.files()->doubleClicked(
            model->match(model->index(0, 0, root), Qt::DisplayRole, "window.dat").value(0));
    });
    window->trigger(app.f.Corse_in);
    EXPECT_EQ(files, QStringList{"window.dat"});
    EXPECT_EQ(app.f.namae.Caption, "window");
    EXPECT_TRUE(app.f.Corse_trans.Enabled);
    EXPECT_FALSE(app.f.seg_str[1].empty());
    shot(*window, "course-loaded");
}

TEST_F(CourseWindows, ParameterEditorShowsWithoutBlockingAndLoadsItsDefaultsEachTime) {
    window->trigger(app.f.MAIN_PARA_SET);
    MAIN_PARA* editor = shownParamEditor(*window);
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(editor->isModal());
    EXPECT_EQ(editor->windowTitle().toStdString(), app.m.LangText[258]);
    EXPECT_THAT(editor->value(1)->toolTip().toStdString(), HasSubstr(" 1 - 600 sec"));
    EXPECT_THAT(editor->value(13)->toolTip().toStdString(), HasSubstr("9600"));
    editor->bar(15)->setValue(17);
    EXPECT_EQ(editor->value(15)->text().toStdString(), "H");
    editor->bar(16)->setValue(18);  // no further than "-"
    EXPECT_EQ(editor->value(16)->text().toStdString(), "-");
    editor->findChild<QRadioButton*>(QStringLiteral("TRANS1"))->click();
    EXPECT_TRUE(editor->state().TRANS[1].Checked);
    EXPECT_FALSE(editor->state().TRANS[0].Checked);
    // The port is closed: no sending or reading.
    EXPECT_FALSE(editor->findChild<QPushButton*>(QStringLiteral("Command1_2"))->isEnabled());
    shot(*editor, "main-para");

    // Shown again while open: the same window, as it was.
    window->trigger(app.f.MAIN_PARA_SET);
    EXPECT_EQ(shownParamEditor(*window), editor);
    EXPECT_EQ(editor->value(15)->text().toStdString(), "H");
    // Closed and opened again: loaded with the defaults.
    QPointer<MAIN_PARA> closing = editor;
    editor->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closing.isNull());
    window->trigger(app.f.MAIN_PARA_SET);
    editor = shownParamEditor(*window);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->value(15)->text().toStdString(), "1");
}

}  // namespace
}  // namespace vt::test
