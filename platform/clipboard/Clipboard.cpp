#include "platform/clipboard/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>

#include "platform/clipboard/ClipboardSource.h"
#include "platform/clipboard/PictureDecoder.h"
#include "platform/pictures/PictureData.h"

namespace platform::Clipboard {

namespace {

// Made on first use and kept to the end of the process: its toolkit objects go with the
// application object, and nothing of it runs in the exit handlers.
ClipboardSource& Source() {
    static ClipboardSource* const source = [] {
        std::unique_ptr<ClipboardSource> made = OpenX11Source();
        if (!made) {
            made = OpenToolkitSource();
        }
        return made.release();
    }();
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
