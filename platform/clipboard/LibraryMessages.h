#pragma once
// Some image libraries under the toolkit's readers (libpng) write their complaints about
// damaged bytes straight to standard error, past the toolkit's message handler. While an
// object of this class lives, whatever is written to standard error is caught; when it goes,
// the libraries' lines are handed to the toolkit's message handler as warnings of the thread
// that decoded, where the decoder gathers them into the one reason it gives for the picture.
// Anything else caught meanwhile (another thread's own lines) goes on to standard error.
// One object lives at a time; a second waits for the first to go.

#include <mutex>

namespace platform::Clipboard {

class LibraryMessages {
  public:
    LibraryMessages();
    ~LibraryMessages();
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

  private:
    std::unique_lock<std::mutex> only_;
    int caught_ = -1;  // where standard error goes meanwhile, or -1 when nothing is caught
    int saved_ = -1;   // standard error as it was
};

}  // namespace platform::Clipboard
