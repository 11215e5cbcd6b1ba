#include "platform/pictures/ImageFile.h"

#include <QDir>
#include <QImageWriter>
#include <QSaveFile>

#include "platform/pictures/PictureData.h"
#include "platform/runtime/Failure.h"

namespace platform {

void SavePicture(const Picture& picture, const std::string& path) {
    const QString name = QString::fromStdString(path);
    const QString shown = QDir::toNativeSeparators(name);
    if (picture.IsEmpty()) {
        Raise(FailureKind::CallFailed,
              "Cannot save " + shown.toStdString() + ": there is no picture to save.");
    }
    // The new file is written beside the old one and renamed over it when complete.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        Raise(FailureKind::CallFailed,
              "Cannot save " + shown.toStdString() + ": " + file.errorString().toStdString());
    }
    QImageWriter writer(&file, "bmp");
    if (!writer.write(ImageOf(picture).convertToFormat(QImage::Format_RGB888))) {
        const std::string reason = file.error() != QFileDevice::NoError
                                       ? file.errorString().toStdString()
                                       : writer.errorString().toStdString();
        file.cancelWriting();
        Raise(FailureKind::CallFailed, "Cannot save " + shown.toStdString() + ": " + reason);
    }
    if (!file.commit()) {
        Raise(FailureKind::CallFailed,
              "Cannot save " + shown.toStdString() + ": " + file.errorString().toStdString());
    }
}

}  // namespace platform
