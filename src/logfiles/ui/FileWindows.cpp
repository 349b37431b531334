#include "logfiles/ui/FileWindows.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

namespace vt {

// ---- File_Form ----------------------------------------------------------------------------

File_Form::File_Form(Module1& m, QWidget* parent) : QDialog(parent), m_(m) {
    setModal(true);
    setFont(captionFont(m_.UiFontName));
    Form_Load(m_, st_);

    auto* layout = new QVBoxLayout(this);
    auto* where = new QLabel(this);
    where->setObjectName(QStringLiteral("Path"));
    layout->addWidget(where);
    auto* split = new QSplitter(this);
    dirModel_ = new QFileSystemModel(this);
    dirModel_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirModel_->setRootPath(QDir::rootPath());
    dirs_ = new QTreeView(split);
    dirs_->setObjectName(QStringLiteral("Dir1"));
    dirs_->setModel(dirModel_);
    for (int c = 1; c < dirModel_->columnCount(); ++c) dirs_->hideColumn(c);
    dirs_->header()->hide();

    fileModel_ = new QFileSystemModel(this);
    fileModel_->setFilter(QDir::Files);
    const QString pattern = qs(st_.Pattern);
    fileModel_->setNameFilters({pattern, pattern.toUpper()});
    fileModel_->setNameFilterDisables(false);
    files_ = new QListView(split);
    files_->setObjectName(QStringLiteral("File1"));
    files_->setModel(fileModel_);
    split->setStretchFactor(1, 1);
    layout->addWidget(split, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* okButton = buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    okButton->setDefault(true);
    layout->addWidget(buttons);
    binding_.bindTitle(st_.window, this);
    binding_.bind(st_.Command2, cancelButton);
    if (st_.Command1.Caption.empty()) st_.Command1.Caption = "OK";
    binding_.bind(st_.Command1, okButton);

    connect(dirs_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, where](const QModelIndex& index) {
                const QString dir = dirModel_->filePath(index);
                Dir1_Change(st_, dir.toStdString());
                showFolder(dir);
                where->setText(dir);
            });
    // The tree fills in as folders are read: keep the start folder in view meanwhile.
    connect(dirModel_, &QFileSystemModel::directoryLoaded, this,
            [this] { dirs_->scrollTo(dirs_->currentIndex(), QAbstractItemView::PositionAtCenter); });
    connect(files_, &QListView::clicked, this,
            [this](const QModelIndex& index) { File1_Click(m_, st_, fileModel_->fileName(index).toStdString()); });
    connect(files_, &QListView::doubleClicked, this, [this](const QModelIndex& index) {
        File1_DblClick(m_, st_, fileModel_->fileName(index).toStdString());
        accept();
    });
    connect(okButton, &QPushButton::clicked, this, [this] {
        Command1_Click(st_);
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, [this] { reject(); });

    // Start in the folder named (or the nearest one that exists).
    QString start = qs(st_.DirPath);
    QDir dir(start);
    while (!start.isEmpty() && !dir.exists()) {
        QString up = QFileInfo(start).path();
        if (up == start) break;
        start = up;
        dir.setPath(start);
    }
    if (start.isEmpty() || !dir.exists()) start = QDir::homePath();
    const QModelIndex at = dirModel_->index(start);
    dirs_->setCurrentIndex(at);
    dirs_->scrollTo(at);
    dirs_->expand(at);
    Dir1_Change(st_, start.toStdString());
    showFolder(start);
    where->setText(start);
    resize(640, 400);
}

void File_Form::showFolder(const QString& dir) { files_->setRootIndex(fileModel_->setRootPath(dir)); }

QStringList File_Form::shownFiles() const {
    QStringList names;
    const QModelIndex root = files_->rootIndex();
    for (int r = 0; r < fileModel_->rowCount(root); ++r) names << fileModel_->fileName(fileModel_->index(r, 0, root));
    names.sort();
    return names;
}

void File_Form::reject() {
    Command2_Click(m_, st_);
    QDialog::reject();
}

// ---- Form_NAME ----------------------------------------------------------------------------

Form_NAME::Form_NAME(Module1& m, Services& s, QWidget* parent) : QDialog(parent), m_(m), s_(s) {
    setModal(true);
    setFont(captionFont(m_.UiFontName));
    auto* layout = new QVBoxLayout(this);
    text1_ = new QLineEdit(this);
    text1_->setObjectName(QStringLiteral("Text1"));
    layout->addWidget(text1_);

    auto group = [this, layout](Control& frame, auto& options, auto onClick) {
        auto* box = new QGroupBox(this);
        auto* row = new QHBoxLayout(box);
        binding_.bind(frame, box);
        for (size_t i = 0; i < options.size(); ++i) {
            auto* r = new QRadioButton(box);
            r->setAutoExclusive(false);  // the model decides which one is on
            r->setCheckable(true);
            row->addWidget(r);
            binding_.bind(options[i], r);
            connect(r, &QRadioButton::clicked, this, [this, i, onClick] {
                onClick(static_cast<int>(i));
                afterEvent();
            });
        }
        layout->addWidget(box);
    };
    Form_Load(m_, st_);
    group(st_.Frame1, st_.Option1, [this](int i) { Option_Click(st_.Option1, i, st_); });
    group(st_.Frame2, st_.Option2, [this](int i) { Option_Click(st_.Option2, i, st_); });
    group(st_.Frame3, st_.F_BOUD, [this](int i) { F_BOUD_Click(st_, i); });

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* okButton = buttons->addButton(QDialogButtonBox::Ok);
    QPushButton* cancelButton = buttons->addButton(QDialogButtonBox::Cancel);
    if (st_.Command1.Caption.empty()) st_.Command1.Caption = "OK";
    binding_.bind(st_.Command1, okButton);
    binding_.bind(st_.Command2, cancelButton);
    layout->addWidget(buttons);
    binding_.bindTitle(st_.window, this);

    connect(text1_, &QLineEdit::returnPressed, this, [this] { ok(); });
    connect(okButton, &QPushButton::clicked, this, [this] { ok(); });
    connect(cancelButton, &QPushButton::clicked, this, [this] { reject(); });
    okButton->setAutoDefault(false);
    text1_->setFocus();
}

void Form_NAME::ok() {
    st_.Text1 = text1_->text().toStdString();
    Command1_Click(m_, st_, s_);
    afterEvent();
}

void Form_NAME::afterEvent() {
    if (st_.Unloaded) {
        accept();
        return;
    }
    if (st_.FocusText1) {
        st_.FocusText1 = false;
        text1_->setFocus();
    }
}

void Form_NAME::reject() {
    Command2_Click(m_, st_);
    QDialog::reject();
}

// ---- para_disp ----------------------------------------------------------------------------

para_disp::para_disp(Module1& m, ParaDispState& st, QWidget* parent) : QDialog(parent), m_(m), st_(st) {
    setModal(false);
    setFont(captionFont(m_.UiFontName));
    auto* form = new QFormLayout(this);
    const QFont fixed = listFont();
    for (const auto& b : ParaDispState::kBoxes) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(b.name));
        edit->setReadOnly(true);
        edit->setFont(fixed);
        binding_.bind(st_.*(b.box), edit);
        form->addRow(QString::fromLatin1(b.label), edit);
        if (&(st_.*(b.box)) == &st_.model_name) model_ = edit;
    }
    model_->installEventFilter(this);
    model_->setCursor(Qt::PointingHandCursor);
    Form_Load(m_, st_);
    binding_.bindTitle(st_.window, this);
    auto showIt = [this] {
        if (st_.window.Visible) {
            show();
            raise();
        } else {
            hide();
        }
    };
    st_.window.Visible = false;
    binding_.listen(st_.window, showIt);
}

void para_disp::closeEvent(QCloseEvent* e) {
    st_.window.setVisible(false);
    QDialog::closeEvent(e);
}

bool para_disp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == model_ && event->type() == QEvent::MouseButtonPress) {
        model_name_Click(m_, st_);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace vt
