#include "platform/forms/CommandButton.h"

#include <QPushButton>

namespace platform {

CommandButton::CommandButton(Container& parent, std::string name)
    : Control(std::move(name), new QPushButton(parent.ClientWidget())) {
    auto* button = static_cast<QPushButton*>(widget());
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, button, [this] { Click(); });
}

std::string CommandButton::Caption() const {
    return static_cast<QPushButton*>(widget())->text().toStdString();
}

void CommandButton::SetCaption(const std::string& caption) {
    static_cast<QPushButton*>(widget())->setText(QString::fromStdString(caption));
}

void CommandButton::OnClick(std::function<void()> handler) {
    click_ = std::move(handler);
}

void CommandButton::Click() {
    RaiseEvent(*this, "Click", click_);
}

bool CommandButton::HasFocus() const {
    return widget() != nullptr && widget()->hasFocus();
}
void CommandButton::SetFocus() {
    if (widget() != nullptr) {
        widget()->setFocus(Qt::OtherFocusReason);
    }
}

}  // namespace platform
