#include "platform/forms/ProgramIcon.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace platform {

void UseProgramIcon() {
    QSvgRenderer svg(QStringLiteral(":/vornal3/vornal3.svg"));
    if (!svg.isValid()) {
        return;  // the toolkit's own icon then, as before
    }
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    QApplication::setWindowIcon(icon);
}

}  // namespace platform
