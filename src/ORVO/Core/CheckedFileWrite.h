#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

// Writing a file that must be on disk before anything relies on it (a backup, the lens library):
// through a temporary file with every error checked, committed, and then read back. A commit is not
// taken on trust (it has been seen to succeed on a full disk after the data was lost).
class CheckedFileWrite {
public:
    CheckedFileWrite() = delete;

    // Writes bytes to path; readsBack(path) must then find in the file what was meant. A file that
    // does not read back is removed. False with error set on any failure.
    static bool write(const QString& path, const QByteArray& bytes,
                      const std::function<bool(const QString& path)>& readsBack, QString* error);
    // The same, where reading back means finding these very bytes in the file.
    static bool write(const QString& path, const QByteArray& bytes, QString* error);
};
