#include "platform/WholeFile.h"

#include <cerrno>
#include <cstring>

#include <QSaveFile>

namespace vt {

WholeFile::WholeFile(const std::string& path) : file_(std::make_unique<QSaveFile>(QString::fromStdString(path))) {}

WholeFile::~WholeFile() {
    if (file_->isOpen()) file_->cancelWriting();
}

bool WholeFile::open(std::string* error) {
    if (file_->open(QIODevice::WriteOnly)) return true;
    if (error) *error = file_->errorString().toStdString();
    return false;
}

void WholeFile::fail(int savedErrno) {
    if (!reason_.empty()) return;
    // A short write sets no error of Qt's own; the failing call's errno is the reason then.
    if (file_->error() != QFileDevice::NoError && file_->errorString() != QStringLiteral("Unknown error"))
        reason_ = file_->errorString().toStdString();
    else
        reason_ = std::strerror(savedErrno != 0 ? savedErrno : EIO);
}

bool WholeFile::write(std::string_view bytes) {
    if (!reason_.empty()) return false;
    if (bytes.empty()) return true;
    errno = 0;
    const qint64 wrote = file_->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (wrote == static_cast<qint64>(bytes.size()) && file_->error() == QFileDevice::NoError) return true;
    fail(errno);
    return false;
}

bool WholeFile::commit(std::string* error) {
    if (reason_.empty()) {
        // What the buffer holds must reach the file before the rename, and its failure count.
        errno = 0;
        if (!file_->flush()) fail(errno);
    }
    if (!reason_.empty()) {
        file_->cancelWriting();
        if (error) *error = reason_;
        return false;
    }
    errno = 0;
    if (!file_->commit()) {
        const int savedErrno = errno;
        if (error) {
            *error = file_->errorString().toStdString();
            if (error->empty() || *error == "Unknown error") *error = std::strerror(savedErrno != 0 ? savedErrno : EIO);
        }
        return false;
    }
    return true;
}

bool write_whole_file(const std::string& path, std::string_view bytes, std::string* error) {
    WholeFile file(path);
    if (!file.open(error)) return false;
    file.write(bytes);  // a failure is kept and given by the commit
    return file.commit(error);
}

}  // namespace vt
