#include "platform/pictures/ImageFile.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>

#include "platform/pictures/PictureData.h"
#include "platform/runtime/Failure.h"

namespace platform {

namespace {

// Hands the image writer's output to the file and sees every write through: one that the
// system cuts short (the disk filled up part way) is continued until it is complete or the
// system refuses it and says why. Left to itself, Qt takes a short write for an error without
// a reason ("Unknown error").
class WholeWrites : public QIODevice {
  public:
    explicit WholeWrites(QFileDevice& file) : file_(file) {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool Failed() const { return failed_; }

  protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override {
        qint64 done = 0;
        while (done < length) {
            const qint64 written = file_.write(data + done, length - done);
            if (written <= 0) {
                failed_ = true;
                setErrorString(file_.errorString());
                return -1;
            }
            done += written;
        }
        return done;
    }

  private:
    QFileDevice& file_;
    bool failed_ = false;
};

}  // namespace

void SavePicture(const Picture& picture, const std::string& path) {
    const QString name = QString::fromStdString(path);
    const std::string shown = QDir::toNativeSeparators(name).toStdString();
    if (picture.IsEmpty()) {
        Raise(FailureKind::CallFailed, "Cannot save " + shown + ": there is no picture to save.");
    }
    // The new file is written beside the old one and renamed over it when complete. Unbuffered,
    // so that a write that fails is the one that reports, with the system's reason.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        Raise(FailureKind::CallFailed,
              "Cannot save " + shown + ": " + file.errorString().toStdString());
    }
    WholeWrites output(file);
    QImageWriter writer(&output, "bmp");
    if (!writer.write(ImageOf(picture).convertToFormat(QImage::Format_RGB888))) {
        const std::string reason = output.Failed() ? output.errorString().toStdString()
                                                   : writer.errorString().toStdString();
        file.cancelWriting();
        Raise(FailureKind::CallFailed, "Cannot save " + shown + ": " + reason);
    }
    if (!file.commit()) {
        Raise(FailureKind::CallFailed,
              "Cannot save " + shown + ": " + file.errorString().toStdString());
    }
}

}  // namespace platform
