#pragma once
// The thread that writes and deletes kept captures, in the order asked, and says in one line
// when the disk refuses one (once, until a write succeeds again).

#include <QImage>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

#include "platform/keeping/KeepFolder.h"

namespace platform::keeping {

class KeepWriter {
  public:
    // Kept captures together take at most this much of the disk, and at most a tenth of what
    // is free.
    static constexpr std::int64_t kMostBytes = std::int64_t{2} << 30;

    // `run` may be null: the folder is then made at the first write.
    KeepWriter(QString stateFolder, std::unique_ptr<RunFolder> run);
    // Drops what is still to be written and deletes every kept capture and the run's folder,
    // but those spared.
    ~KeepWriter();
    KeepWriter(const KeepWriter&) = delete;
    KeepWriter& operator=(const KeepWriter&) = delete;

    void Write(std::int64_t number, QImage image);
    void Remove(std::int64_t number);
    // A file already there (taken over from an ended run) counts toward the limit.
    void Known(std::int64_t number, std::int64_t bytes);
    void Settle();
    // The kept capture outlives the program's ordinary end (it never opened again).
    void Spare(std::int64_t number);

  private:
    using Clock = std::chrono::steady_clock;
    // A capture is written this long after it was taken, once its window is up: the windows'
    // thread does not share the processor and the memory's bandwidth with the write while it
    // takes the picture in, and a window closed at once never reaches the disk.
    static constexpr std::chrono::milliseconds kWriteAfter{25};

    struct Job {
        enum Kind { Write, Remove, Known } kind;
        std::int64_t number;
        QImage image;
        std::int64_t bytes = 0;
        Clock::time_point due{};
    };
    void Run();
    void Do(Job& job);
    void DoWrite(std::int64_t number, const QImage& image);
    std::int64_t Limit() const;
    void Trouble(const QString& line);

    const QString state_;
    std::unique_ptr<RunFolder> run_;  // the thread's alone once it runs
    std::map<std::int64_t, std::int64_t> onDisk_;
    std::int64_t bytesOnDisk_ = 0;
    bool troubleSaid_ = false;
    std::set<std::int64_t> spared_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace platform::keeping
