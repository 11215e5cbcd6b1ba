#include "platform/forms/ClockFormat.h"

#include <QRegularExpression>

namespace platform {

QString HoursAndMinutes(QString shortTimeFormat) {
    // The seconds with the separator before them, and any fraction of a second after them.
    static const QRegularExpression seconds(QStringLiteral("[:.]ss?(?:[.,]z+)?"));
    return shortTimeFormat.remove(seconds);
}

}  // namespace platform
