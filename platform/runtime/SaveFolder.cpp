#include "platform/runtime/SaveFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Failure.h"

namespace platform {

bool CanWriteIn(const std::string& folder) {
    std::string probe = folder + "/.vornal3-write-test-XXXXXX";
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ::unlink(probe.c_str());
    ::close(fd);
    return true;
}

std::string SaveFolder() {
    std::string program = App::Path();
    if (CanWriteIn(program)) {
        return program;
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) {
        Raise(FailureKind::CallFailed, "Cannot save in " + program +
                                           ", which cannot be written, and there is no pictures "
                                           "folder to save in instead.");
    }
    std::string folder =
        QDir::toNativeSeparators(QDir::cleanPath(pictures + QStringLiteral("/Vornal3")))
            .toStdString();
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        Raise(FailureKind::CallFailed,
              "Cannot make the folder " + folder + " to save in: " + error.message());
    }
    return folder;
}

}  // namespace platform
