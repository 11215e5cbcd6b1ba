#include "platform/clipboard/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/PictureDecoder.h"
#include "platform/clipboard/ReaderChoice.h"
#include "platform/pictures/PictureData.h"

namespace platform::Clipboard {

namespace {

std::unique_ptr<ClipboardSource> OpenChosenSource() {
    std::unique_ptr<ClipboardSource> dataControl;
    ReaderEnvironment env;
    env.platform = QGuiApplication::platformName().toStdString();
    env.waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    env.dataControl = std::getenv("VORNAL3_DATA_CONTROL");
    env.dataControlOffered = [&dataControl] {
        dataControl = OpenDataControlSource();
        return dataControl != nullptr;
    };
    const ReaderChoice choice = ChooseReader(env);
    if (!choice.notice.empty()) {
        std::fprintf(stderr, "%s\n", choice.notice.c_str());
    }
    switch (choice.kind) {
        case ReaderKind::DataControl:
            return dataControl;
        case ReaderKind::X11:
            if (auto x11 = OpenX11Source()) {
                return x11;
            }
            break;
        case ReaderKind::Toolkit:
            break;
    }
    return OpenToolkitSource();
}

// Made on first use and kept to the end of the process: its toolkit objects go with the
// application object, and nothing of it runs in the exit handlers.
ClipboardSource& Source() {
    static ClipboardSource* const source = OpenChosenSource().release();
    return *source;
}

}  // namespace

Picture GetData() {
    return Source().Current();
}

void Clear() {
    Source().Clear();
}

void SetData(const Picture& picture) {
    QImage image = ImageOf(picture);
    if (image.isNull()) {
        Clear();
        return;
    }
    QGuiApplication::clipboard()->setImage(image);
    Source().Changed();
}

long DecodeCount() {
    return DecodeAttempts();
}

}  // namespace platform::Clipboard
