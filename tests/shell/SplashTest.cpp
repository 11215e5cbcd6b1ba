// The splash window shown while the frame is being made.

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QWidget>
#include <cstdlib>

#include "shell/frmSplash.h"

namespace {

TEST(Splash, ShowsTheMakerAndTheProductWithinItsWindow) {
    frmSplash splash;
    splash.Show();
    splash.Refresh();
    EXPECT_EQ(splash.lblCompanyProduct.Caption(), "Vornal Software");
    EXPECT_EQ(splash.lblProductName.Caption(), "Vornal 3.1");
    EXPECT_EQ(splash.Label1.Caption(), "Loading...");
    EXPECT_EQ(splash.Caption(), "");
    EXPECT_EQ(splash.ScaleWidth(), 2550);
    EXPECT_EQ(splash.ScaleHeight(), 1500);
    // Labels that size themselves to their text must still lie inside the window.
    for (const platform::Label* label :
         {&splash.lblCompanyProduct, &splash.lblProductName, &splash.Label1}) {
        const QWidget* w = label->widget();
        EXPECT_LE(w->mapTo(w->window(), QPoint(w->width(), 0)).x(), w->window()->width())
            << label->Caption();
        EXPECT_GE(w->width(), w->sizeHint().width()) << label->Caption() << " is cut short";
    }
    // A fixed dialog border: no resizing, and an edge of its own where nothing frames it (as
    // on the offscreen platform the tests run on).
    QWidget* window = splash.Label1.widget()->window();
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const QImage image = window->grab().toImage();
    const QRgb face = window->palette().color(QPalette::Window).rgb();
    EXPECT_NE(image.pixel(0, image.height() / 2), face) << "left edge";
    EXPECT_NE(image.pixel(image.width() - 1, image.height() / 2), face) << "right edge";
    if (const char* shot = std::getenv("VORNAL_SHOT_DIR")) {
        splash.lblCompanyProduct.widget()->window()->grab().save(QString(shot) + "/splash.png");
    }
}

}  // namespace
