#pragma once
// Where kept captures live: $XDG_STATE_HOME/Vornal3 (normally ~/.local/state/Vornal3), a
// folder only the user can read. Every running program keeps its captures in a folder of its
// own there, named after its start ("<milliseconds since 1970>-<process id>") and locked for
// as long as the program runs; the system drops the lock however the program ends. A folder
// whose lock can be had belongs to a program that is gone: what it holds are the captures that
// program never gave up. Files that cannot be read go to "damaged".

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <set>
#include <vector>

namespace platform::keeping {

// $XDG_STATE_HOME/Vornal3 where XDG_STATE_HOME is an absolute path, ~/.local/state/Vornal3
// otherwise.
QString StateFolder();

// Makes the folder and those above it as needed, and leaves it readable by the user alone.
// Returns "" or the system's reason.
QString MakePrivateFolder(const QString& path);

// The number of a kept file's name ("<number>.bmp"), or -1 for any other name.
std::int64_t KeptNumber(const QString& fileName);
// The names of run folders and of the files in one, in the order their captures were taken:
// older runs first, and by number within a run. Names of neither kind are left out.
QStringList RunsInOrder(const QStringList& folderNames);
QStringList KeptInOrder(const QStringList& fileNames);

// The folder of this program's run, locked while the object lives.
class RunFolder {
  public:
    // Makes it under the state folder; null and the reason when it cannot be made.
    static std::unique_ptr<RunFolder> Claim(const QString& stateFolder, QString& problem);
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    const QString& Path() const { return path_; }
    // The path of the file for the capture with this number.
    QString FileFor(std::int64_t number) const;
    // Moves into this folder, in order and numbered from 1, the files of every run that ended
    // without giving them up, and removes that run's folder. Returns the new paths in order.
    // Each is moved with one rename, so a crash meanwhile loses none.
    QStringList TakeOverEndedRuns();
    // Removes the folder and what is left in it, but the files with these numbers: then the
    // folder stays, for the next start to take over.
    void Remove(const std::set<std::int64_t>& spare);

  private:
    RunFolder(QString state, QString path, int lockFd)
        : state_(std::move(state)), path_(std::move(path)), lockFd_(lockFd) {}
    QString state_;
    QString path_;
    int lockFd_;
};

// Moves a kept file that cannot be read into the state folder's "damaged" folder, under a name
// of its own. Returns the new path, or "" and the reason in `problem`.
QString MoveAside(const QString& stateFolder, const QString& path, QString& problem);

}  // namespace platform::keeping
