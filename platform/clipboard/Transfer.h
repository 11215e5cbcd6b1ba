#pragma once
// The bytes of one clipboard format as they arrive from the clipboard's owner, in one piece
// or in many parts, held within limits. Any program can own the clipboard, so what it sends
// is untrusted: a transfer may come to no more than the largest file the decoder would take
// for its format, nor to more than half of the memory available when it began (the other half
// is for decoding); once its first bytes tell the picture's size, no more than a file of that
// picture can be. Bytes that are over a limit, or that are no picture of the format they were
// offered as, end the transfer at once and give its memory back.
//
// Every clipboard reader receives through this class, so the limits hold whichever system the
// picture comes from.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace platform::Clipboard {

class Transfer {
  public:
    // A transfer of the bytes offered as `format` (a MIME type). `announced` is the size the
    // owner announced in advance, or -1; `memoryAvailable` the memory that may be used, in
    // bytes, or -1 to ask the system.
    explicit Transfer(QString format, std::int64_t announced = -1,
                      std::int64_t memoryAvailable = -1);
    ~Transfer();
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;
    Transfer(Transfer&& other) noexcept;
    Transfer& operator=(Transfer&& other) noexcept;

    // The owner announced the size it will send (at least): a size over the limits, now or
    // once the picture's header tells more, refuses the transfer. False when refused.
    bool Announce(std::int64_t size);
    // Adds the next part. Takes time in proportion to the part only, never to what arrived
    // before. False once the transfer is refused; a refused transfer takes nothing more.
    bool Append(const char* data, std::size_t size);
    // Checks bytes that arrived whole, in one reply, without taking them: false when they are
    // over the limits or are no picture of their format, as Append would have found.
    bool CheckWhole(const char* data, std::size_t size);

    // More bytes than `more` are on their way, which will not be read: refuses the transfer
    // when they would take it over its limit. False when refused.
    bool Expect(std::int64_t more);

    bool Refused() const { return !refusal_.isEmpty(); }
    // Refused for its size, not for what its bytes are: the owner is not asked again while it
    // holds this selection. Bytes that are no picture only fail their format.
    bool OverLimit() const { return overLimit_; }
    // Why the transfer was refused: the format, the bytes received and the reason.
    const QString& Refusal() const { return refusal_; }
    std::int64_t Received() const { return size_; }
    // The most bytes the transfer may come to, as far as is known now.
    std::int64_t Limit() const { return limit_; }
    const QString& Format() const { return format_; }

    // The bytes received, without a copy: valid while the transfer lives and takes no more.
    QByteArray Bytes() const;

  private:
    void Refuse(const QString& reason, bool overLimit = true);
    bool CheckHeader(const char* data, std::size_t size);
    bool Reserve(std::int64_t needed);
    void Release() noexcept;

    QString format_;
    bool checksContent_ = false;  // the format is one whose header is read as it arrives
    bool headerRead_ = false;
    std::int64_t announced_ = -1;
    std::int64_t memoryAvailable_ = 0;
    std::int64_t limit_ = 0;
    QString limitReason_;
    QString refusal_;
    bool overLimit_ = false;

    char* data_ = nullptr;
    std::size_t capacity_ = 0;
    bool mapped_ = false;  // data_ is an address range reserved for the whole limit
    std::int64_t size_ = 0;
};

}  // namespace platform::Clipboard
