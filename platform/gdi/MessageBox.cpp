#include <QApplication>
#include <QMessageBox>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/MessageBoxHook.h"

namespace platform::gdi {

namespace {

MessageBoxFunction& Replacement() {
    static MessageBoxFunction replacement;
    return replacement;
}

}  // namespace

void SetMessageBoxForTesting(MessageBoxFunction show) {
    Replacement() = std::move(show);
}

int MessageBoxA(HWND /*hwnd*/, const char* text, const char* caption, UINT type) {
    const std::string body = text != nullptr ? text : "";
    const std::string title = caption != nullptr ? caption : "";
    if (Replacement()) {
        return Replacement()(body, title, type);
    }
    // Only the plain OK box is offered; without widgets there is nothing to show it on.
    if (type != MB_OK || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return 0;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title),
                    QString::fromStdString(body), QMessageBox::Ok);
    box.exec();
    return IDOK;
}

}  // namespace platform::gdi
