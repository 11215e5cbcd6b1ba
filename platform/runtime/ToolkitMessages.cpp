#include "platform/runtime/ToolkitMessages.h"

#include <QtGlobal>
#include <mutex>
#include <string_view>

#include "platform/runtime/Notice.h"

namespace platform {

namespace {

// More than any reason needs; the rest are dropped.
constexpr qsizetype kMostGathered = 4;

thread_local QStringList* gathering = nullptr;

void Route(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    try {
        const bool warning = type == QtWarningMsg || type == QtCriticalMsg;
        if (warning && gathering != nullptr) {
            if (gathering->size() < kMostGathered) {
                gathering->append(text.simplified());
            }
            return;
        }
        // As the toolkit would have said it itself (QT_MESSAGE_PATTERN holds).
        Notice(qFormatLogMessage(type, context, text));
    } catch (...) {
        Notice("a message of the toolkit was lost: out of memory");
    }
}

}  // namespace

void RouteToolkitMessages() {
    static std::once_flag installed;
    std::call_once(installed, [] { qInstallMessageHandler(&Route); });
}

GatheredWarnings::GatheredWarnings() : outer_(gathering) {
    gathering = &lines_;
}

GatheredWarnings::~GatheredWarnings() {
    gathering = outer_;
}

}  // namespace platform
