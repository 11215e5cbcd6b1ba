#pragma once
// The toolkit's messages (its warnings, and those of the image libraries under it) go through
// the notice sink. A thread may gather its own for a while instead, to give them as part of a
// reason it tells in one line: why a picture does not decode, say.

#include <QString>
#include <QStringList>

namespace platform {

// Installs the program's one message handler. Called once at start, before the application
// object; calling it again changes nothing.
void RouteToolkitMessages();

// While it lives, the toolkit's warnings on the thread that made it are gathered here (the
// first few of them) instead of said. Other threads' messages go on to the sink as ever.
class GatheredWarnings {
  public:
    GatheredWarnings();
    ~GatheredWarnings();
    GatheredWarnings(const GatheredWarnings&) = delete;
    GatheredWarnings& operator=(const GatheredWarnings&) = delete;

    // What was gathered, in order, joined with ", "; empty when nothing was.
    QString Joined() const { return lines_.join(QStringLiteral(", ")); }

  private:
    QStringList lines_;
    QStringList* outer_;  // the gathering this one stands in front of, on the same thread
};

}  // namespace platform
