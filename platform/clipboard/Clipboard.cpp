#include "platform/clipboard/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>

#include "platform/clipboard/DataControlLink.h"
#include "platform/clipboard/Intake.h"
#include "platform/clipboard/LinkChoice.h"
#include "platform/clipboard/ToolkitLink.h"
#include "platform/clipboard/X11Link.h"
#include "platform/keeping/KeptCaptures.h"
#include "platform/pictures/PictureData.h"
#include "platform/runtime/Notice.h"

namespace platform::Clipboard {

namespace {

Intake* OpenIntake() {
    std::unique_ptr<ClipboardLink> dataControl;
    LinkEnvironment env;
    env.platform = QGuiApplication::platformName().toStdString();
    env.waylandDisplay = std::getenv("WAYLAND_DISPLAY");
    env.x11Display = std::getenv("DISPLAY");
    env.dataControl = std::getenv("VORNAL3_DATA_CONTROL");
    env.dataControlOffered = [&dataControl] {
        dataControl = OpenDataControlLink();
        return dataControl != nullptr;
    };
    const LinkChoice choice = ChooseLinks(env);
    if (!choice.notice.empty()) {
        Notice(choice.notice);
    }
    std::vector<std::unique_ptr<ClipboardLink>> links;
    if (choice.dataControl) {
        links.push_back(std::move(dataControl));
    }
    if (choice.x11) {
        const X11Bridge bridge = choice.dataControl               ? X11Bridge::LeaveToWayland
                                 : choice.x11EmptiesThroughBridge ? X11Bridge::EmptyThrough
                                                                  : X11Bridge::None;
        if (auto x11 = OpenX11Link(bridge)) {
            links.push_back(std::move(x11));
        }
    }
    if (links.empty()) {
        links.push_back(OpenToolkitLink());
    }
    return new Intake(std::move(links));
}

// Made on first use and kept to the end of the process: its toolkit objects go with the
// application object, and nothing of it runs in the exit handlers.
Intake& Source() {
    static Intake* const intake = OpenIntake();
    return *intake;
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
    const Picture taken = Source().Clear();
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
