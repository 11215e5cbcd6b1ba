// "Save it" writes the capture as a bitmap file in the program's folder, or in the user's
// pictures where that folder cannot be written; "Reset" brings back the capture as it was
// loaded.

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <string>

#include "document/CaptureWindowTest.h"
#include "platform/runtime/AppInfo.h"

namespace {

using capture_test::CaptureWindows;
using capture_test::Crop;
using capture_test::Picture;
using capture_test::PictureBox;
using capture_test::SamePixels;
using capture_test::ShowsPart;

// Runs `step` with writes to files stopping at `bytes`, as on a full disk.
void WithFileSizeLimit(rlim_t bytes, const std::function<void()>& step) {
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = std::min(bytes, previous.rlim_cur);
    setrlimit(RLIMIT_FSIZE, &limited);
    step();
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, handler);
}

class Saving : public CaptureWindows {
  protected:
    void SetUp() override {
        CaptureWindows::SetUp();
        platform::App::SetPathForTesting(folder);
    }
    void TearDown() override {
        platform::App::SetPathForTesting("");
        CaptureWindows::TearDown();
    }
    std::string PathOf(const std::string& name) const {
        return folder + QDir::separator().toLatin1() + name;
    }
    // The names in the folder, hidden ones too, separated by "|".
    std::string Files() const {
        const QDir dir(QString::fromStdString(folder));
        return dir.entryList(QDir::Files | QDir::Hidden).join('|').toStdString();
    }
    QByteArray Bytes(const std::string& name) const {
        QFile file(QString::fromStdString(PathOf(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The file as any BMP reader sees it.
    Picture Read(const std::string& name) const {
        return capture_test::FromImage(QImage::fromData(Bytes(name), "BMP"));
    }
    void Save(frmDocument& doc, const std::string& name) {
        doc.Text1.SetText(name);
        doc.Command1.Click();
    }
    const std::string folder = testing_support::MakeTempFolder();
};

TEST_F(Saving, SavesTheNameAsTypedInTheProgramFolderAndAgainWithOnlyTheSelection) {
    frmDocument& one = Open(40, 30);
    frmDocument& two = Open(70, 20);
    one.SetCaption("1");
    // Named as the intake names the second capture.
    two.Text1.SetText(two.Text1.Text() + "2");
    two.Command1.Click();
    EXPECT_EQ(Files(), "vornal2.bmp");
    EXPECT_EQ(one.Caption(), "1");
    for (const std::string name : {"vornal2", "", " my shot.v2 "}) {
        Save(two, name);
        EXPECT_TRUE(SamePixels(Read(name + ".bmp"), source)) << name;
        EXPECT_EQ(two.Caption(), PathOf(name + ".bmp"));
    }
    EXPECT_EQ(Files(), " my shot.v2 .bmp|.bmp|vornal2.bmp");

    Crop(two, 150, 75, 750, 225);
    // A selection being drawn is not part of what is saved.
    two.picMove.MouseDown(PictureBox::RightButton, 0, 150, 150);
    two.picMove.MouseMove(PictureBox::RightButton, 0, 450, 225);
    two.Command1.Click();
    EXPECT_EQ(Files(), " my shot.v2 .bmp|.bmp|vornal2.bmp");
    EXPECT_TRUE(ShowsPart(Read(" my shot.v2 .bmp"), source, 10, 5, 40, 10));
}

TEST_F(Saving, FailedSaveReportsTheReasonAndKeepsTheCaptionAndTheOldFile) {
    Save(Open(8, 8), "shot");
    const QByteArray before = Bytes("shot.bmp");
    ASSERT_FALSE(before.isEmpty());
    frmDocument& big = Open(256, 256);
    frmDocument& empty = Open(0, 0);
    const struct {
        frmDocument& doc;
        std::string name;
        rlim_t limit;
        std::string reason;
    } failures[] = {
        // The disk fills up part way through the file: the system's reason, not "Unknown error".
        {big, "shot", rlim_t{16} * 1024, std::strerror(EFBIG)},
        {empty, "shot", RLIM_INFINITY, "there is no picture to save"},
        {big, "missing" + std::string(1, QDir::separator().toLatin1()) + "shot", RLIM_INFINITY,
         std::strerror(ENOENT)},
        {big, std::string(300, 'x'), RLIM_INFINITY, std::strerror(ENAMETOOLONG)},
    };
    for (const auto& failure : failures) {
        failure.doc.SetCaption("kept");
        WithFileSizeLimit(failure.limit, [&] { Save(failure.doc, failure.name); });
        const auto reports = testing_support::TakeReportedFailures();
        ASSERT_EQ(reports.size(), 1u) << failure.name;
        EXPECT_NE(reports[0].find(PathOf(failure.name + ".bmp") + ": " + failure.reason),
                  std::string::npos)
            << reports[0];
        EXPECT_EQ(failure.doc.Caption(), "kept");
        EXPECT_EQ(Files(), "shot.bmp");
        EXPECT_EQ(Bytes("shot.bmp"), before);
    }
    // The window is still usable.
    Save(big, "shot");
    EXPECT_EQ(big.Caption(), PathOf("shot.bmp"));
}

// The user's pictures folder, as the desktop names it, for as long as the object lives.
class PicturesFolder {
  public:
    explicit PicturesFolder(const std::string& path)
        : file_(qEnvironmentVariable("XDG_CONFIG_HOME") + "/user-dirs.dirs") {
        QFile dirs(file_);
        EXPECT_TRUE(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
        dirs.write(("XDG_PICTURES_DIR=\"" + path + "\"\n").c_str());
    }
    ~PicturesFolder() { QFile::remove(file_); }
    PicturesFolder(const PicturesFolder&) = delete;
    PicturesFolder& operator=(const PicturesFolder&) = delete;

  private:
    QString file_;
};

TEST_F(Saving, WhereTheProgramFolderCannotBeWrittenSavesGoToAVornal3FolderInThePicturesOrSayWhy) {
    const std::string home = testing_support::MakeTempFolder();
    const std::string shots = home + "/My Shots/Vornal3";
    const PicturesFolder pictures(home + "/My Shots");
    frmDocument& doc = Open(30, 20);
    // A folder that can be written keeps the saves, and nothing is made in the pictures.
    Save(doc, "here");
    EXPECT_EQ(Files(), "here.bmp");
    EXPECT_FALSE(QDir(QString::fromStdString(shots)).exists());

    // Nobody, root included, can make a file here.
    platform::App::SetPathForTesting("/proc");
    for (const std::string name : {"vornal1", "vornal2"}) {
        Save(doc, name);
        EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
        std::string path = shots;
        path.append("/").append(name).append(".bmp");
        EXPECT_EQ(doc.Caption(), path);
        QFile saved(QString::fromStdString(path));
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(saved.readAll().left(2), "BM");
    }
    EXPECT_EQ(QDir(QString::fromStdString(shots)).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"vornal1.bmp", "vornal2.bmp"}));

    // An installed program's folder (its desktop entry beside it) is never used, even where it
    // can be written, as it can by root.
    const std::string prefix = home + "/prefix";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(prefix + "/bin")));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(prefix + "/share/applications")));
    QFile entry(QString::fromStdString(prefix + "/share/applications/net.example.Test.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    platform::App::SetPathForTesting(prefix + "/bin");
    QGuiApplication::setDesktopFileName(QStringLiteral("net.example.Other"));
    Save(doc, "bin");
    EXPECT_EQ(doc.Caption(), prefix + "/bin/bin.bmp") << "another program's entry";
    QGuiApplication::setDesktopFileName(QStringLiteral("net.example.Test"));
    Save(doc, "installed");
    QGuiApplication::setDesktopFileName(QString());
    EXPECT_EQ(doc.Caption(), shots + "/installed.bmp");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(prefix + "/bin/installed.bmp")));

    // Pictures inside a regular file: the folder cannot be made, which is reported.
    QFile blocker(QString::fromStdString(home + "/file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    const PicturesFolder blocked(home + "/file/Pictures");
    platform::App::SetPathForTesting("/proc");
    doc.SetCaption("kept");
    Save(doc, "shot");
    const auto reports = testing_support::TakeReportedFailures();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("Cannot make the folder " + home +
                              "/file/Pictures/Vornal3 to save in: " + std::strerror(ENOTDIR)),
              std::string::npos)
        << reports[0];
    EXPECT_EQ(doc.Caption(), "kept");
}

TEST_F(CaptureWindows, ResetAfterOneOrTwoCropsRestoresTheWholeCapture) {
    // Larger than the picture box's design size, so that a partial backup would show.
    frmDocument& doc = Open(240, 180);
    doc.SetCaption("1");
    doc.hsb.SetValue(150);
    for (int crops = 1; crops <= 2; ++crops) {
        for (int i = 0; i < crops; ++i) {
            Crop(doc, 150, 150, 1650, 1200);
        }
        doc.Command2.Click();
        EXPECT_TRUE(SamePixels(doc.picMove.GetPicture(), source)) << crops;
        EXPECT_EQ(doc.picMove.Width(), 3600);
        EXPECT_EQ(doc.picMove.Height(), 2700);
        // The scroll bar, the offsets and the caption stay.
        EXPECT_EQ(doc.hsb.Value(), 150);
        EXPECT_EQ(doc.PanLeft, -150);
        EXPECT_EQ(doc.Caption(), "1");
    }
    // A window loaded without a picture has nothing to go back to.
    frmDocument& none = Open(0, 0);
    none.Command2.Click();
    EXPECT_TRUE(none.picMove.GetPicture().IsEmpty());
}

}  // namespace
