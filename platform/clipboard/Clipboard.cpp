#include "platform/clipboard/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/ReaderChoice.h"
#include "platform/keeping/KeptCaptures.h"
#include "platform/pictures/PictureData.h"
#include "platform/pictures/PictureDecoder.h"

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

// Captures kept from an ended run come first, oldest first; the clipboard is read again once
// they have all opened.
Picture GetData() {
    if (auto* kept = keeping::KeptCaptures::Running()) {
        if (Picture restored = kept->NextRestored(); !restored.IsEmpty()) {
            return restored;
        }
    }
    return Source().Current();
}

void Clear() {
    auto* kept = keeping::KeptCaptures::Running();
    if (kept != nullptr && kept->TakeRestored()) {
        return;
    }
    const Picture taken = Source().Current();
    Source().Clear();
    // From here on the program holds the only copy.
    if (kept != nullptr) {
        kept->Keep(taken);
    }
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
