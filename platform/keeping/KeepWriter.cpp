#include "platform/keeping/KeepWriter.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <QFile>

#include "platform/keeping/KeptFile.h"
#include "platform/runtime/Notice.h"

namespace platform::keeping {

namespace {

QString SizeText(std::int64_t bytes) {
    if (bytes < (std::int64_t{1} << 20)) {
        return QStringLiteral("%1 KB").arg((bytes + 1023) / 1024);
    }
    return QStringLiteral("%1 MB").arg(static_cast<double>(bytes) / (1 << 20), 0, 'f', 1);
}

}  // namespace

KeepWriter::KeepWriter(QString stateFolder, std::unique_ptr<RunFolder> run)
    : state_(std::move(stateFolder)), run_(std::move(run)), thread_([this] { Run(); }) {}

KeepWriter::~KeepWriter() {
    {
        const std::lock_guard lock(mutex_);
        jobs_.clear();
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    if (run_) {
        run_->Remove(spared_);
    }
}

void KeepWriter::Write(std::int64_t number, QImage image) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({Job::Write, number, std::move(image), 0, Clock::now() + kWriteAfter});
    }
    wake_.notify_one();
}

void KeepWriter::Remove(std::int64_t number) {
    {
        const std::lock_guard lock(mutex_);
        // Not written yet: then never.
        for (auto it = jobs_.begin(); it != jobs_.end(); ++it) {
            if (it->kind == Job::Write && it->number == number) {
                jobs_.erase(it);
                return;
            }
        }
        jobs_.push_back({Job::Remove, number, QImage()});
    }
    wake_.notify_one();
}

void KeepWriter::Known(std::int64_t number, std::int64_t bytes) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back({Job::Known, number, QImage(), bytes});
    }
    wake_.notify_one();
}

void KeepWriter::Spare(std::int64_t number) {
    const std::lock_guard lock(mutex_);
    spared_.insert(number);
}

void KeepWriter::Settle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
}

void KeepWriter::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
        if (stop_) {
            return;
        }
        if (const Clock::time_point due = jobs_.front().due; Clock::now() < due) {
            wake_.wait_until(lock, due, [this] { return stop_; });
            continue;  // it may have been called off meanwhile
        }
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        Do(job);
        job.image = QImage();  // the pixels go back here, not with the next job
        lock.lock();
        busy_ = false;
        if (jobs_.empty()) {
            idle_.notify_all();
        }
    }
}

void KeepWriter::Do(Job& job) {
    switch (job.kind) {
        case Job::Write:
            DoWrite(job.number, job.image);
            break;
        case Job::Known:
            onDisk_[job.number] = job.bytes;
            bytesOnDisk_ += job.bytes;
            break;
        case Job::Remove:
            if (auto it = onDisk_.find(job.number); it != onDisk_.end()) {
                ::unlink(QFile::encodeName(run_->FileFor(job.number)).constData());
                bytesOnDisk_ -= it->second;
                onDisk_.erase(it);
            }
            break;
    }
}

void KeepWriter::DoWrite(std::int64_t number, const QImage& image) {
    if (!run_) {
        QString problem;
        run_ = RunFolder::Claim(state_, problem);
        if (!run_) {
            Trouble(QStringLiteral("%1: %2").arg(state_, problem));
            return;
        }
    }
    const std::int64_t bytes = KeptFileSize(image.width(), image.height());
    if (const std::int64_t limit = Limit(); bytesOnDisk_ + bytes > limit) {
        Trouble(QStringLiteral("%1: a capture of %2 would take kept captures past %3, their "
                               "limit (2 GiB, and at most a tenth of the free space)")
                    .arg(run_->Path(), SizeText(bytes), SizeText(limit)));
        return;
    }
    const QString path = run_->FileFor(number);
    if (const QString problem = WriteKeptFile(image, path); !problem.isEmpty()) {
        Trouble(QStringLiteral("%1: %2").arg(path, problem));
        return;
    }
    onDisk_[number] = bytes;
    bytesOnDisk_ += bytes;
    troubleSaid_ = false;
}

std::int64_t KeepWriter::Limit() const {
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(run_->Path()).constData(), &fs) != 0) {
        return kMostBytes;
    }
    // What kept captures hold now would be free without them.
    const auto free =
        static_cast<std::int64_t>(fs.f_bavail) * static_cast<std::int64_t>(fs.f_frsize);
    return std::min(kMostBytes, (free + bytesOnDisk_) / 10);
}

void KeepWriter::Trouble(const QString& line) {
    if (troubleSaid_) {
        return;
    }
    troubleSaid_ = true;
    Notice(QStringLiteral("a capture is not kept on disk, so a crash would lose it: ") + line);
}

}  // namespace platform::keeping
