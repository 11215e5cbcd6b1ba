#include "platform/keeping/KeptCaptures.h"

#include <QFileInfo>

#include "platform/forms/PictureWindows.h"
#include "platform/keeping/KeepFolder.h"
#include "platform/keeping/KeepWriter.h"
#include "platform/keeping/KeptFile.h"
#include "platform/pictures/PictureData.h"
#include "platform/runtime/Notice.h"

namespace platform::keeping {

namespace {

KeptCaptures* running = nullptr;

void Say(const QString& line) {
    Notice(line);
}

}  // namespace

KeptCaptures::KeptCaptures() {
    const QString state = StateFolder();
    QString problem;
    std::unique_ptr<RunFolder> run = RunFolder::Claim(state, problem);
    std::vector<std::pair<std::int64_t, std::int64_t>> known;
    std::vector<std::int64_t> spare;
    if (run) {
        const QStringList taken = run->TakeOverEndedRuns();
        next_ = taken.size() + 1;
        for (const QString& path : taken) {
            const KeptRead read = ReadKeptFile(path);
            const std::int64_t number = KeptNumber(QFileInfo(path).fileName());
            if (read.image.isNull() && !read.damaged) {
                // Whole, as far as anyone knows: the next start tries again.
                Say(QStringLiteral("a kept capture cannot be opened now (%1); it stays at %2 for "
                                   "the next start")
                        .arg(read.problem, path));
                spare.push_back(number);
                continue;
            }
            if (read.image.isNull()) {
                const QString moved = MoveAside(state, path, problem);
                if (moved.isEmpty()) {
                    spare.push_back(number);
                }
                Say(moved.isEmpty()
                        ? QStringLiteral("a kept capture cannot be read (%1) and stays at %2: %3")
                              .arg(read.problem, path, problem)
                        : QStringLiteral("a kept capture cannot be read (%1); it is moved to %2")
                              .arg(read.problem, moved));
                continue;
            }
            known.emplace_back(number, KeptFileSize(read.image.width(), read.image.height()));
            restored_.push_back({PictureFromImage(read.image), number});
        }
    }
    // Where the folder cannot be had now, the first capture tries again and says why.
    writer_ = std::make_unique<KeepWriter>(state, std::move(run));
    for (const auto& [number, bytes] : known) {
        writer_->Known(number, bytes);
    }
    for (const std::int64_t number : spare) {
        writer_->Spare(number);
    }
    running = this;
}

KeptCaptures::~KeptCaptures() {
    End();
    running = nullptr;
}

void KeptCaptures::End() {
    if (!writer_) {
        return;
    }
    // Captures from an ended run that have not opened again yet are not this run's to drop.
    for (const Restored& waiting : restored_) {
        writer_->Spare(waiting.number);
    }
    writer_.reset();
    windows_.clear();
}

KeptCaptures* KeptCaptures::Running() {
    return running;
}

Picture KeptCaptures::NextRestored() {
    if (restored_.empty()) {
        served_ = false;
        return {};
    }
    if (taken_) {
        taken_ = false;
    }
    served_ = true;
    return restored_.front().picture;
}

bool KeptCaptures::TakeRestored() {
    if (!served_) {
        return false;
    }
    // Emptied again after the window took it (the tick empties the clipboard after the
    // window's load did): nothing more to take, and the clipboard is not read yet.
    if (taken_) {
        return true;
    }
    taken_ = true;
    Claim(restored_.front().picture, restored_.front().number);
    restored_.pop_front();
    ++reopened_;
    if (restored_.empty()) {
        Say(reopened_ == 1 ? QStringLiteral("1 capture kept from the last run is open again")
                           : QStringLiteral("%1 captures kept from the last run are open again")
                                 .arg(reopened_));
    }
    return true;
}

void KeptCaptures::Keep(const Picture& picture) {
    if (picture.IsEmpty() || !writer_) {
        return;
    }
    const std::int64_t number = next_++;
    Claim(picture, number);
    writer_->Write(number, ImageOf(picture));
}

void KeptCaptures::Claim(const Picture& picture, std::int64_t number) {
    windows_[number] = ChildWindowShowing(picture.Handle());
}

void KeptCaptures::WindowGone(const QObject* window) {
    if (!writer_) {
        return;
    }
    for (auto it = windows_.begin(); it != windows_.end();) {
        if (it->second == window) {
            writer_->Remove(it->first);
            it = windows_.erase(it);
        } else {
            ++it;
        }
    }
}

void KeptCaptures::Settle() {
    if (writer_) {
        writer_->Settle();
    }
}

}  // namespace platform::keeping
