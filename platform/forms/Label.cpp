#include "platform/forms/Label.h"

#include <QLabel>

namespace platform {

namespace {
QLabel* L(QWidget* w) {
    return static_cast<QLabel*>(w);
}
}  // namespace

Label::Label(Container& parent, std::string name)
    : Control(std::move(name), new QLabel(parent.ClientWidget())) {
    L(widget())->setWordWrap(true);
    L(widget())->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    L(widget())->setTextFormat(Qt::PlainText);
}

std::string Label::Caption() const {
    return L(widget())->text().toStdString();
}

void Label::SetCaption(const std::string& caption) {
    L(widget())->setText(QString::fromStdString(caption));
    if (autoSize_) {
        widget()->adjustSize();
    }
}

void Label::SetFont(float pointSize, bool bold) {
    QFont font = widget()->font();
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    widget()->setFont(font);
    if (autoSize_) {
        widget()->adjustSize();
    }
}

void Label::SetNarrowFont(float pointSize, bool bold) {
    SetFont(pointSize, bold);
    QFont font = widget()->font();
    QStringList families = font.families();
    families.prepend(QStringLiteral("Liberation Sans Narrow"));
    font.setFamilies(families);
    widget()->setFont(font);
    if (autoSize_) {
        widget()->adjustSize();
    }
}

void Label::SetForeColor(std::uint32_t rgb) {
    QPalette palette = widget()->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(rgb | 0xFF000000u));
    widget()->setPalette(palette);
}

void Label::SetAutoSize(bool on) {
    autoSize_ = on;
    L(widget())->setWordWrap(!on);
    if (on) {
        widget()->adjustSize();
    }
}

}  // namespace platform
