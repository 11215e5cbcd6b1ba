#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <cstdlib>

#include "platform/clipboard/Clipboard.h"
#include "platform/keeping/KeepFolder.h"
#include "platform/keeping/KeptCaptures.h"
#include "platform/keeping/KeptFile.h"
#include "platform/pictures/PictureData.h"
#include "support/TestSupport.h"

namespace keeping = platform::keeping;

namespace {

// A picture with a different colour in every pixel, and a width whose rows need no padding
// in 32 bits but would in 24.
QImage Pattern(int width, int height, unsigned seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, 0xFF000000u | testing_support::PatternPixel(x, y, seed));
        }
    }
    return image;
}

QString Folder() {
    return QString::fromStdString(testing_support::MakeTempFolder());
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

}  // namespace

TEST(KeptFileTest, WritesPrivatelyAndReadsBackExactlyWhatIsWhole) {
    const QString folder = Folder();
    const QString path = folder + "/1.bmp";
    const QImage image = Pattern(7, 5, 3);
    ASSERT_EQ(keeping::WriteKeptFile(image, path), QString());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Files(folder), QStringList{"1.bmp"}) << "no temporary file is left";
    const keeping::KeptRead read = keeping::ReadKeptFile(path);
    EXPECT_EQ(read.image, image);
    // Other programs read it as the same picture.
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_RGB32), image);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const struct {
        QByteArray bytes;
        const char* problem;
    } damaged[] = {
        {whole.left(whole.size() - 1), "it is cut short"},
        {whole.left(20), "it is cut short"},
        {whole + "x", "it is not a kept capture"},
        {testing_support::EncodeImage(image, "png"), "it is not a kept capture"},
        {QByteArray(), "it is cut short"},
    };
    for (const auto& [bytes, problem] : damaged) {
        WriteBytes(path, bytes);
        const keeping::KeptRead bad = keeping::ReadKeptFile(path);
        EXPECT_TRUE(bad.image.isNull());
        EXPECT_EQ(bad.problem.toStdString(), problem);
    }
    // A write that cannot be done says why and leaves nothing.
    EXPECT_EQ(keeping::WriteKeptFile(image, folder + "/gone/2.bmp").toStdString(),
              "No such file or directory");
}

TEST(KeepFolderTest, EndedRunsAreTakenOverInTheOrderTheirCapturesWereTaken) {
    const QString state = Folder() + "/Vornal3";
    QString problem;
    // A program that still runs keeps its captures.
    const auto live = keeping::RunFolder::Claim(state, problem);
    ASSERT_NE(live, nullptr) << problem.toStdString();
    WriteBytes(live->FileFor(1), "live");
    // Two ended runs, the later one's start a digit longer; numbers past 9 in one.
    for (const char* run : {"999-7", "1000-3"}) {
        ASSERT_TRUE(QDir().mkpath(state + "/" + QString::fromLatin1(run)));
    }
    WriteBytes(state + "/1000-3/1.bmp", "third");
    WriteBytes(state + "/999-7/10.bmp", "second");
    WriteBytes(state + "/999-7/9.bmp", "first");
    WriteBytes(state + "/999-7/.writing-11.bmp", "cut short by the end");
    WriteBytes(state + "/999-7/notes.txt", "not ours");

    const auto own = keeping::RunFolder::Claim(state, problem);
    ASSERT_NE(own, nullptr) << problem.toStdString();
    const QStringList taken = own->TakeOverEndedRuns();
    QStringList contents;
    for (const QString& path : taken) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        contents.append(QString::fromLatin1(file.readAll()));
    }
    EXPECT_EQ(contents, (QStringList{"first", "second", "third"}));
    EXPECT_EQ(taken, (QStringList{own->FileFor(1), own->FileFor(2), own->FileFor(3)}));
    EXPECT_FALSE(QDir(state + "/999-7").exists());
    EXPECT_FALSE(QDir(state + "/1000-3").exists());
    EXPECT_EQ(Files(live->Path()), QStringList{"1.bmp"});
    EXPECT_EQ(Files(state + "/damaged"), QStringList{"999-7-notes.txt"});
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(state).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Kept captures open again through the clipboard, oldest first, before it is read; a damaged
// one is moved aside and never stops the others. An ordinary end deletes what opened again.
TEST(KeptCapturesTest, CapturesOpenAgainOnePerWindowAndDamagedOnesMoveAside) {
    const QString home = Folder();
    ASSERT_EQ(::setenv("XDG_STATE_HOME", QFile::encodeName(home).constData(), 1), 0);
    const QString run = home + "/Vornal3/5-5";
    ASSERT_TRUE(QDir().mkpath(run));
    const QImage first = Pattern(6, 4, 1);
    const QImage second = Pattern(3, 9, 2);
    ASSERT_EQ(keeping::WriteKeptFile(first, run + "/1.bmp"), QString());
    WriteBytes(run + "/2.bmp", "garbage");
    ASSERT_EQ(keeping::WriteKeptFile(second, run + "/3.bmp"), QString());
    testing_support::PutPictureOnClipboard(2, 2);

    QString ownRun;
    {
        keeping::KeptCaptures kept;
        for (const QImage& expected : {first, second}) {
            // The intake's tick and the window's load each look at the clipboard and empty it.
            EXPECT_EQ(platform::ImageOf(platform::Clipboard::GetData()), expected);
            EXPECT_EQ(platform::ImageOf(platform::Clipboard::GetData()), expected);
            platform::Clipboard::Clear();
            platform::Clipboard::Clear();
        }
        EXPECT_EQ(platform::Clipboard::GetData().PixelWidth(), 2) << "then the clipboard's";
        const QStringList runs =
            QDir(home + "/Vornal3").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        EXPECT_EQ(runs.size(), 2);
        for (const QString& name : runs) {
            if (name != "damaged") {
                ownRun = home + "/Vornal3/" + name;
            }
        }
        EXPECT_EQ(Files(ownRun), (QStringList{"1.bmp", "3.bmp"}));
    }
    EXPECT_FALSE(QDir(ownRun).exists()) << "an ordinary end deletes what is kept";
    const QStringList damaged = Files(home + "/Vornal3/damaged");
    ASSERT_EQ(damaged.size(), 1);
    EXPECT_TRUE(damaged[0].endsWith("-2.bmp"));
    ::unsetenv("XDG_STATE_HOME");
    platform::Clipboard::Clear();
}
