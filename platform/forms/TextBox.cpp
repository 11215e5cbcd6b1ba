#include "platform/forms/TextBox.h"

#include <QLineEdit>

namespace platform {

TextBox::TextBox(Container& parent, std::string name)
    : Control(std::move(name), new QLineEdit(parent.ClientWidget())) {}

std::string TextBox::Text() const {
    return static_cast<QLineEdit*>(widget())->text().toStdString();
}

void TextBox::SetText(const std::string& text) {
    static_cast<QLineEdit*>(widget())->setText(QString::fromStdString(text));
}

}  // namespace platform
