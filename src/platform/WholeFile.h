// Writing a file whole or not at all: the bytes go to a temporary beside it, which replaces the
// file only when every byte reached the disk. A write that fails part-way (a full disk, a file
// size limit) leaves the old file as it was and gives the system's reason.
//
// QSaveFile alone is not enough: on a short write the system call's reason is lost, and a
// failure found only when its buffer is flushed at commit still commits the short temporary.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class QSaveFile;

namespace vt {

class WholeFile {
  public:
    explicit WholeFile(const std::string& path);
    ~WholeFile();  // not committed: the temporary is removed, the file untouched
    WholeFile(const WholeFile&) = delete;
    WholeFile& operator=(const WholeFile&) = delete;

    // Opens the temporary; false with the reason when it cannot be made.
    bool open(std::string* error);
    // Appends bytes; false (and every later write and the commit too) once one has failed.
    bool write(std::string_view bytes);
    // Flushes, checks every byte went, and renames the temporary over the file; false with the
    // reason (the temporary removed, the old file kept) otherwise.
    bool commit(std::string* error);

  private:
    void fail(int savedErrno);
    std::unique_ptr<QSaveFile> file_;
    std::string reason_;  // the first failure's
};

// Writes `bytes` as the whole of `path` through WholeFile; false with the reason.
bool write_whole_file(const std::string& path, std::string_view bytes, std::string* error);

}  // namespace vt
