#pragma once

#include <QString>

#include <cstdint>
#include <span>

// The capture on disk: whole frames only, each handed to the system as soon as it is written.
// With a rotation size, the frames go to numbered files that never pass that size. Files are
// created, never overwritten. Errors come back as texts; after one the capture must end.
class CaptureFile
{
public:
    CaptureFile(QString name, std::int64_t rotateBytes);
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    // Creates the first file. Empty on success, else why not.
    QString Open();
    // Appends one frame, whole, or nothing of it: a partial write is cut back before the error
    // is returned.
    QString Write(std::span<const std::uint8_t> frame);
    void Close();

    const QString& CurrentName() const { return current_; }
    int FileCount() const { return number_; }

private:
    QString OpenNext();

    QString name_;
    std::int64_t rotateBytes_ = 0;
    int fd_ = -1;
    std::int64_t size_ = 0;
    int number_ = 0;
    QString current_;
};

// "site7.pksd" with number 2 gives "site7.0002.pksd"; a name without suffix gets ".0002".
QString NumberedName(const QString& name, int number);
