// The file chooser (File_Form), the download file-name dialog (Form_NAME) and the parameter
// display (para_disp) as Qt windows over their UI-free states.
#pragma once

#include <QDialog>

#include "logfiles/FileDialogs.h"
#include "logfiles/ParaDisp.h"
#include "platform/Services.h"
#include "state/Module1.h"
#include "widgets/ControlBinder.h"

class QFileSystemModel;
class QLineEdit;
class QListView;
class QTreeView;

namespace vt {

// A folder tree and a file list filtered by the pattern; OK, cancel, double click picks.
// Starts in the folder LogFileName names and leaves the choice in LogFileName.
class File_Form : public QDialog {
    Q_OBJECT
  public:
    File_Form(Module1& m, QWidget* parent);
    const FileFormState& state() const { return st_; }
    QTreeView* folders() const { return dirs_; }
    QListView* files() const { return files_; }
    // The file list as the window shows it now (for tests).
    QStringList shownFiles() const;

    // Cancel: also the close box and the Escape key.
    void reject() override;

  private:
    void showFolder(const QString& dir);
    Module1& m_;
    FileFormState st_;
    ControlBinder binding_;
    QFileSystemModel* dirModel_ = nullptr;
    QFileSystemModel* fileModel_ = nullptr;
    QTreeView* dirs_ = nullptr;
    QListView* files_ = nullptr;
};

// The name of a download: date option, memory-clear option and, for a fast download, the line
// speed. Leaves LogDir/[date]name in LogFileName, or nothing.
class Form_NAME : public QDialog {
    Q_OBJECT
  public:
    Form_NAME(Module1& m, Services& s, QWidget* parent);
    FormNameState& state() { return st_; }
    QLineEdit* nameBox() const { return text1_; }
    void ok();

    // Cancel: also the close box and the Escape key.
    void reject() override;

  private:
    void afterEvent();
    Module1& m_;
    Services& s_;
    FormNameState st_;
    ControlBinder binding_;
    QLineEdit* text1_ = nullptr;
};

// The logger settings of the log header, one box each; clicking the model box steps the
// vehicle type.
class para_disp : public QDialog {
    Q_OBJECT
  public:
    // Shows `st` while st.window is Visible; the close box hides it.
    para_disp(Module1& m, ParaDispState& st, QWidget* parent);
    ParaDispState& state() { return st_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    Module1& m_;
    ParaDispState& st_;
    ControlBinder binding_;
    QLineEdit* model_ = nullptr;
};

}  // namespace vt
