#include "platform/forms/Frame.h"

#include <QFrame>

namespace platform {

Frame::Frame(Container& parent, std::string name)
    : Control(std::move(name), new QFrame(parent.ClientWidget())) {
    auto* frame = static_cast<QFrame*>(widget());
    frame->setFrameShape(QFrame::Box);
    frame->setFrameShadow(QFrame::Sunken);
}

}  // namespace platform
