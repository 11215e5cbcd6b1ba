#include "platform/runtime/SettingsStore.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/runtime/Failure.h"

namespace platform {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The store says only that it could not write its file. To tell the user why, take its steps
// again and keep the system's answer: make the folder, check that the file may be replaced,
// then write about as many bytes as the store would into a new file beside it, removed again.
// Returns "" when every step succeeds this time.
std::string WhyNotWritten(const QString& fileName, std::size_t bytes) {
    const std::string file = QFile::encodeName(fileName).toStdString();
    const std::string folder = QFile::encodeName(QFileInfo(fileName).absolutePath()).toStdString();
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        return made.message();
    }
    if (::access(file.c_str(), F_OK) == 0 && ::access(file.c_str(), W_OK) != 0) {
        return std::strerror(errno);
    }
    std::string scratch = folder + "/.settings-probe-XXXXXX";
    const int fd = ::mkostemp(scratch.data(), O_CLOEXEC);
    if (fd < 0) {
        return std::strerror(errno);
    }
    std::string reason;
    const std::vector<char> filler(bytes, '\n');
    // A short write says nothing; the next one gives the reason.
    for (std::size_t written = 0; written < filler.size();) {
        const ssize_t n = ::write(fd, filler.data() + written, filler.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            reason = std::strerror(n < 0 ? errno : EIO);
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    ::close(fd);
    ::unlink(scratch.c_str());
    return reason;
}

}  // namespace

std::string GetSetting(const std::string& application, const std::string& section,
                       const std::string& key, const std::string& defaultText) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, Q(application), Q(application));
    store.beginGroup(Q(section));
    if (!store.contains(Q(key))) {
        return defaultText;
    }
    const QVariant value = store.value(Q(key));
    // INI values with commas come back as lists; put the text back together so that the
    // caller sees what is stored rather than a part of it.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

void SaveSetting(const std::string& application, const std::string& section, const std::string& key,
                 const std::string& text) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, Q(application), Q(application));
    store.beginGroup(Q(section));
    store.setValue(Q(key), Q(text));
    store.endGroup();
    store.sync();
    if (store.status() != QSettings::NoError) {
        const QString fileName = store.fileName();
        const auto bytes =
            static_cast<std::size_t>(QFileInfo(fileName).size()) + key.size() + text.size() + 2;
        const std::string reason = WhyNotWritten(fileName, bytes);
        Raise(FailureKind::CallFailed, "Cannot write the settings file " +
                                           QDir::toNativeSeparators(fileName).toStdString() +
                                           (reason.empty() ? std::string() : ": " + reason));
    }
}

}  // namespace platform
