#include "platform/keeping/KeepFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/keeping/KeptFile.h"

namespace platform::keeping {

namespace {

const QString kDamaged = QStringLiteral("damaged");
const QString kNewRunPrefix = QStringLiteral(".new-");
const QString kWritingPrefix = QStringLiteral(".writing-");

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// A run folder's name as (start, process id); (-1, -1) for any other name.
std::pair<std::int64_t, std::int64_t> RunKey(const QString& name) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,18})-(\\d{1,10})$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) {
        return {-1, -1};
    }
    return {match.captured(1).toLongLong(), match.captured(2).toLongLong()};
}

// Renames from to a name nobody has: false, with errno, when it is taken.
bool RenameNew(const QString& from, const QString& to) {
    const QByteArray source = Native(from);
    const QByteArray target = Native(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0) {
        return true;
    }
    if (errno != EINVAL) {
        return false;
    }
    // File systems without the flag: a name that exists is left alone.
    struct stat st {};
    if (::lstat(target.constData(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(source.constData(), target.constData()) == 0;
}

// Locks a folder for this process; -1 when another holds it or it cannot be opened.
int LockFolder(const QString& path) {
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

QStringList Entries(const QString& folder, QDir::Filters filters) {
    return QDir(folder).entryList(filters | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

QString StateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base)) {
        base = QDir::home().filePath(QStringLiteral(".local/state"));
    }
    return QDir(base).filePath(QStringLiteral("Vornal3"));
}

QString MakePrivateFolder(const QString& path) {
    const QByteArray native = Native(path);
    if (::mkdir(native.constData(), 0700) == 0) {
        return {};
    }
    if (errno == ENOENT) {
        const QString parent = QFileInfo(path).absolutePath();
        if (parent == path) {
            return SystemReason(ENOENT);
        }
        // The folders above are the user's own, made as the system would make them.
        if (!QDir().mkpath(parent)) {
            struct stat st {};
            return ::stat(Native(parent).constData(), &st) == 0 ? SystemReason(ENOTDIR)
                                                                : SystemReason(errno);
        }
        return ::mkdir(native.constData(), 0700) == 0 ? QString() : SystemReason(errno);
    }
    if (errno != EEXIST) {
        return SystemReason(errno);
    }
    struct stat st {};
    if (::stat(native.constData(), &st) != 0) {
        return SystemReason(errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return SystemReason(ENOTDIR);
    }
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        return SystemReason(errno);
    }
    return {};
}

std::int64_t KeptNumber(const QString& fileName) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,18})\\.bmp$"));
    const QRegularExpressionMatch match = pattern.match(fileName);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

QStringList RunsInOrder(const QStringList& folderNames) {
    QStringList runs;
    std::copy_if(folderNames.begin(), folderNames.end(), std::back_inserter(runs),
                 [](const QString& name) { return RunKey(name).first >= 0; });
    std::stable_sort(runs.begin(), runs.end(),
                     [](const QString& a, const QString& b) { return RunKey(a) < RunKey(b); });
    return runs;
}

QStringList KeptInOrder(const QStringList& fileNames) {
    QStringList kept;
    std::copy_if(fileNames.begin(), fileNames.end(), std::back_inserter(kept),
                 [](const QString& name) { return KeptNumber(name) >= 0; });
    std::stable_sort(kept.begin(), kept.end(), [](const QString& a, const QString& b) {
        return KeptNumber(a) < KeptNumber(b);
    });
    return kept;
}

std::unique_ptr<RunFolder> RunFolder::Claim(const QString& stateFolder, QString& problem) {
    problem = MakePrivateFolder(stateFolder);
    if (!problem.isEmpty()) {
        return nullptr;
    }
    // Made under a name no other program looks at, locked, and only then given its name: a
    // program starting meanwhile never takes a run folder that is still being made for a gone
    // one.
    const qint64 pid = ::getpid();
    const QString made = QDir(stateFolder).filePath(kNewRunPrefix + QString::number(pid));
    const QByteArray madeNative = Native(made);
    // One of that name can only be left by an ended program that had this process id.
    if (::mkdir(madeNative.constData(), 0700) != 0 &&
        (errno != EEXIST || ::rmdir(madeNative.constData()) != 0 ||
         ::mkdir(madeNative.constData(), 0700) != 0)) {
        problem = SystemReason(errno);
        return nullptr;
    }
    const int fd = LockFolder(made);
    if (fd < 0) {
        problem = SystemReason(errno);
        ::rmdir(madeNative.constData());
        return nullptr;
    }
    // Named after its start; a name taken already (a start within the same millisecond) is
    // never replaced: the next millisecond is tried.
    QString path;
    for (qint64 start = QDateTime::currentMSecsSinceEpoch();; ++start) {
        path = QDir(stateFolder).filePath(QStringLiteral("%1-%2").arg(start).arg(pid));
        if (RenameNew(made, path)) {
            break;
        }
        if (errno != EEXIST && errno != ENOTEMPTY) {
            problem = SystemReason(errno);
            ::close(fd);
            ::rmdir(madeNative.constData());
            return nullptr;
        }
    }
    return std::unique_ptr<RunFolder>(new RunFolder(stateFolder, path, fd));
}

RunFolder::~RunFolder() {
    ::close(lockFd_);
}

QString RunFolder::FileFor(std::int64_t number) const {
    return QDir(path_).filePath(QStringLiteral("%1.bmp").arg(number));
}

QStringList RunFolder::TakeOverEndedRuns() {
    QStringList taken;
    const QString ownName = QFileInfo(path_).fileName();
    const QStringList folders = Entries(state_, QDir::Dirs);
    for (const QString& run : RunsInOrder(folders)) {
        const QString folder = QDir(state_).filePath(run);
        if (run == ownName) {
            continue;
        }
        const int fd = LockFolder(folder);
        if (fd < 0) {
            continue;  // its program still runs
        }
        const QStringList files = Entries(folder, QDir::Files | QDir::System);
        for (const QString& file : KeptInOrder(files)) {
            const QString to = FileFor(taken.size() + 1);
            if (::rename(Native(QDir(folder).filePath(file)).constData(), Native(to).constData()) ==
                0) {
                taken.append(to);
            }
        }
        for (const QString& file : files) {
            const QString path = QDir(folder).filePath(file);
            if (file.startsWith(kWritingPrefix)) {
                ::unlink(Native(path).constData());  // a write the end cut short
            } else if (KeptNumber(file) < 0) {
                QString ignored;
                MoveAside(state_, path, ignored);
            }
        }
        ::rmdir(Native(folder).constData());
        ::close(fd);
    }
    // Folders of programs that ended while making theirs.
    for (const QString& name : folders) {
        if (name.startsWith(kNewRunPrefix)) {
            const QString folder = QDir(state_).filePath(name);
            if (const int fd = LockFolder(folder); fd >= 0) {
                ::rmdir(Native(folder).constData());
                ::close(fd);
            }
        }
    }
    return taken;
}

void RunFolder::Remove(const std::set<std::int64_t>& spare) {
    for (const QString& file : Entries(path_, QDir::Files | QDir::System)) {
        if (spare.count(KeptNumber(file)) != 0) {
            continue;
        }
        ::unlink(Native(QDir(path_).filePath(file)).constData());
    }
    ::rmdir(Native(path_).constData());
}

QString MoveAside(const QString& stateFolder, const QString& path, QString& problem) {
    const QString damaged = QDir(stateFolder).filePath(kDamaged);
    problem = MakePrivateFolder(damaged);
    if (!problem.isEmpty()) {
        return {};
    }
    const QString stem = QFileInfo(QFileInfo(path).absolutePath()).fileName() + QLatin1Char('-') +
                         QFileInfo(path).fileName();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        QString to = QDir(damaged).filePath(
            attempt == 0 ? stem : QStringLiteral("%1.%2").arg(stem).arg(attempt));
        // Never over an earlier damaged file.
        if (RenameNew(path, to)) {
            return to;
        }
        if (errno != EEXIST && errno != ENOTEMPTY) {
            problem = SystemReason(errno);
            return {};
        }
    }
    problem = SystemReason(EEXIST);
    return {};
}

}  // namespace platform::keeping
