// "Save it" writes the capture as a bitmap file in the program's folder; "Reset" brings back
// the capture as it was loaded.

#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <csignal>
#include <string>
#include <vector>

#include "document/CaptureWindowTest.h"
#include "platform/AppInfo.h"
#include "platform/PictureBox.h"

namespace {

using capture_test::CaptureWindows;
using capture_test::kTwipsPerPixel;
using capture_test::Pattern;
using capture_test::SamePixels;
using capture_test::ShowsPart;
using platform::Picture;
using platform::PictureBox;

void Crop(frmDocument& doc, float x1, float y1, float x2, float y2) {
    doc.picMove.MouseDown(PictureBox::RightButton, 0, x1, y1);
    doc.picMove.MouseMove(PictureBox::RightButton, 0, x2, y2);
    doc.picMove.MouseUp(PictureBox::RightButton, 0, x2, y2);
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const QString& name :
         QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden)) {
        names.push_back(name.toStdString());
    }
    return names;
}

QByteArray Bytes(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file as any BMP reader sees it.
Picture ReadBmp(const std::string& path) {
    const QImage image(QString::fromStdString(path), "BMP");
    if (image.isNull()) {
        return {};
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    return Picture::FromRgb32(rgb.width(), rgb.height(),
                              reinterpret_cast<const std::uint32_t*>(rgb.constBits()),
                              static_cast<int>(rgb.bytesPerLine()));
}

// Writes to files stop at `bytes` while this lives, as on a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousSignal_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousSignal_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    rlimit previous_{};
    void (*previousSignal_)(int) = nullptr;
};

class Saving : public CaptureWindows {
  protected:
    void SetUp() override {
        CaptureWindows::SetUp();
        folder = testing_support::MakeTempFolder();
        platform::App::SetPathForTesting(folder);
    }
    void TearDown() override {
        platform::App::SetPathForTesting("");
        CaptureWindows::TearDown();
    }
    std::string PathOf(const std::string& fileName) const {
        return folder + QDir::separator().toLatin1() + fileName;
    }
    std::string folder;
};

TEST_F(Saving, SecondWindowSavesAsVornal2InTheProgramFolder) {
    const Picture first = Pattern(40, 30);
    const Picture second = Pattern(70, 20);
    frmDocument& one = Open(first);
    frmDocument& two = Open(second);
    // Named as the intake names the first two captures.
    one.SetCaption("1");
    one.Text1.SetText(one.Text1.Text() + one.Caption());
    two.SetCaption("2");
    two.Text1.SetText(two.Text1.Text() + two.Caption());

    two.Command1.Click();
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"vornal2.bmp"});
    EXPECT_TRUE(SamePixels(ReadBmp(PathOf("vornal2.bmp")), second));
    EXPECT_EQ(two.Caption(), PathOf("vornal2.bmp"));
    EXPECT_EQ(one.Caption(), "1");
}

TEST_F(Saving, EmptyNameSavesDotBmp) {
    const Picture capture = Pattern(25, 35);
    frmDocument& doc = Open(capture);
    doc.Text1.SetText("");
    doc.Command1.Click();
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{".bmp"});
    EXPECT_TRUE(SamePixels(ReadBmp(PathOf(".bmp")), capture));
    EXPECT_EQ(doc.Caption(), PathOf(".bmp"));
}

TEST_F(Saving, NameIsUsedExactlyAsTyped) {
    const Picture capture = Pattern(10, 10);
    frmDocument& doc = Open(capture);
    const std::string name = " my shot.v2 ";
    doc.Text1.SetText(name);
    doc.Command1.Click();
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{name + ".bmp"});
    EXPECT_EQ(doc.Caption(), PathOf(name + ".bmp"));
}

TEST_F(Saving, SavingAgainReplacesTheFileWithOnlyTheSelection) {
    const Picture capture = Pattern(200, 150);
    frmDocument& doc = Open(capture);
    doc.Text1.SetText("shot");
    doc.Command1.Click();
    ASSERT_TRUE(SamePixels(ReadBmp(PathOf("shot.bmp")), capture));

    Crop(doc, 450, 300, 1950, 1200);
    // A selection being drawn is not part of what is saved.
    doc.picMove.MouseDown(PictureBox::RightButton, 0, 150, 150);
    doc.picMove.MouseMove(PictureBox::RightButton, 0, 900, 600);
    doc.Command1.Click();
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"shot.bmp"});
    EXPECT_TRUE(ShowsPart(ReadBmp(PathOf("shot.bmp")), capture, 30, 20, 100, 60));
    EXPECT_EQ(doc.Caption(), PathOf("shot.bmp"));
}

TEST_F(Saving, RefusedNameKeepsCaptionReportsAndLeavesNothingBehind) {
    frmDocument& doc = Open(Pattern(30, 30));
    doc.SetCaption("1");
    const std::string plainFile = PathOf("not-a-folder");
    {
        QFile file(QString::fromStdString(plainFile));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("keep");
    }
    const struct {
        std::string folder;
        std::string name;
    } refused[] = {
        {folder, "missing" + std::string(1, QDir::separator().toLatin1()) + "shot"},
        {folder, std::string(300, 'x')},
        {plainFile, "shot"},
    };
    for (const auto& r : refused) {
        platform::App::SetPathForTesting(r.folder);
        doc.Text1.SetText(r.name);
        doc.Command1.Click();
        const std::string path = r.folder + QDir::separator().toLatin1() + r.name + ".bmp";
        const auto reports = testing_support::TakeReportedFailures();
        ASSERT_EQ(reports.size(), 1u) << path;
        EXPECT_NE(reports[0].find("Command1_Click"), std::string::npos) << reports[0];
        EXPECT_NE(reports[0].find(path), std::string::npos) << reports[0];
        EXPECT_EQ(doc.Caption(), "1");
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"not-a-folder"});
        EXPECT_EQ(Bytes(plainFile), QByteArray("keep"));
    }

    // The window is still usable.
    platform::App::SetPathForTesting(folder);
    doc.Text1.SetText("shot");
    doc.Command1.Click();
    EXPECT_EQ(doc.Caption(), PathOf("shot.bmp"));
}

TEST_F(Saving, FailedWriteLeavesTheExistingFileIntact) {
    frmDocument& small = Open(Pattern(8, 8));
    small.Text1.SetText("shot");
    small.Command1.Click();
    const QByteArray before = Bytes(PathOf("shot.bmp"));
    ASSERT_FALSE(before.isEmpty());

    frmDocument& big = Open(Pattern(256, 256));
    big.SetCaption("2");
    big.Text1.SetText("shot");
    {
        const FileSizeLimit diskFull(rlim_t{16} * 1024);
        big.Command1.Click();
    }
    const auto reports = testing_support::TakeReportedFailures();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(PathOf("shot.bmp")), std::string::npos) << reports[0];
    EXPECT_EQ(big.Caption(), "2");
    EXPECT_EQ(Bytes(PathOf("shot.bmp")), before);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"shot.bmp"});
}

TEST_F(Saving, WindowWithoutPictureWritesNothing) {
    frmDocument& first = Open(Pattern(8, 8));
    first.Text1.SetText("shot");
    first.Command1.Click();
    const QByteArray before = Bytes(PathOf("shot.bmp"));

    frmDocument& empty = OpenWithoutPicture();
    empty.SetCaption("2");
    empty.Text1.SetText("shot");
    empty.Command1.Click();
    EXPECT_EQ(testing_support::TakeReportedFailures().size(), 1u);
    EXPECT_EQ(empty.Caption(), "2");
    EXPECT_EQ(Bytes(PathOf("shot.bmp")), before);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"shot.bmp"});
}

class Resetting : public Saving {};

TEST_F(Resetting, ResetAfterCropsBringsBackTheWholeCapture) {
    // Larger than the picture box's design size, so that a partial backup would show.
    const Picture capture = Pattern(240, 180);
    frmDocument& doc = Open(capture);
    doc.SetCaption("1");
    doc.hsb.SetValue(150);
    doc.vsb.SetValue(75);

    for (int crops = 1; crops <= 2; ++crops) {
        for (int i = 0; i < crops; ++i) {
            Crop(doc, 150, 150, 1650, 1200);
        }
        ASSERT_EQ(doc.picMove.Width(), 1500);
        // A selection under way goes too.
        doc.picMove.MouseDown(PictureBox::RightButton, 0, 0, 0);
        doc.picMove.MouseMove(PictureBox::RightButton, 0, 600, 600);

        doc.Command2.Click();
        EXPECT_TRUE(SamePixels(doc.picMove.GetPicture(), capture)) << crops;
        EXPECT_TRUE(SamePixels(doc.picMove.Surface(), capture)) << crops;
        EXPECT_EQ(doc.picMove.Width(), capture.PixelWidth() * kTwipsPerPixel);
        EXPECT_EQ(doc.picMove.Height(), capture.PixelHeight() * kTwipsPerPixel);
        EXPECT_EQ(doc.picMove.Left(), 0);
        EXPECT_EQ(doc.picMove.Top(), 0);
        // Scroll bars, offsets, name and caption stay.
        EXPECT_EQ(doc.hsb.Value(), 150);
        EXPECT_EQ(doc.vsb.Value(), 75);
        EXPECT_EQ(doc.PanLeft, -150);
        EXPECT_EQ(doc.PanTop, -75);
        EXPECT_EQ(doc.Caption(), "1");
        doc.picMove.MouseUp(PictureBox::RightButton, 0, 0, 0);
    }

    // What Reset put in place is what is saved.
    doc.Text1.SetText("reset");
    doc.Command1.Click();
    EXPECT_TRUE(SamePixels(ReadBmp(PathOf("reset.bmp")), capture));
}

TEST_F(Resetting, ResetWithoutPictureChangesNothing) {
    frmDocument& doc = OpenWithoutPicture();
    const float width = doc.picMove.Width();
    const float height = doc.picMove.Height();
    doc.Command2.Click();
    EXPECT_TRUE(testing_support::TakeReportedFailures().empty());
    EXPECT_TRUE(doc.picMove.GetPicture().IsEmpty());
    EXPECT_EQ(doc.picMove.Width(), width);
    EXPECT_EQ(doc.picMove.Height(), height);
    EXPECT_EQ(doc.picMove.Left(), 0);
    EXPECT_EQ(doc.picMove.Top(), 0);
}

}  // namespace
