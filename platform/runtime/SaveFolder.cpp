#include "platform/runtime/SaveFolder.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
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

bool IsInstalledProgramFolder(const std::string& folder, const std::string& desktopId) {
    if (desktopId.empty()) {
        return false;
    }
    const QString entry = QString::fromStdString(folder) +
                          QStringLiteral("/../share/applications/") +
                          QString::fromStdString(desktopId) + QStringLiteral(".desktop");
    return QFileInfo::exists(QDir::cleanPath(entry));
}

std::string SaveFolder() {
    std::string program = App::Path();
    // The folder of an installed program holds programs, not pictures, even for root, who can
    // write there.
    const bool installed =
        IsInstalledProgramFolder(program, QGuiApplication::desktopFileName().toStdString());
    if (!installed && CanWriteIn(program)) {
        return program;
    }
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (pictures.isEmpty()) {
        Raise(FailureKind::CallFailed, "Cannot save in " + program +
                                           (installed ? ", which holds the installed program,"
                                                      : ", which cannot be written,") +
                                           " and there is no pictures folder to save in instead.");
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
