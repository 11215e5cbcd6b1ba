// libpng tells of damaged bytes through an error function its caller may set. The toolkit's
// PNG reader sets a warning function only, and libpng's own error function writes straight
// to standard error, past the toolkit's message handler and the notice sink. This program's
// png_set_error_fn stands in front of libpng's (the dynamic linker finds the program's own
// first), passes every call on, and gives a caller that sets no error function one that says
// the complaint as a warning of the toolkit: on the notice sink, or in the reason a decoder
// gives for the picture. What libpng does next is unchanged: it leaves the read at once, as
// from its own error function.
//
// Nothing calls into this file: the library's link options ask for png_set_error_fn, so that
// every program linked with it carries this one.

#include <dlfcn.h>

#include <QtGlobal>

namespace {

using LibpngMessage = void (*)(void* png, const char* message);
using SetLibpngErrorFunctions = void (*)(void* png, void* errorData, LibpngMessage error,
                                         LibpngMessage warning);
using LibpngLongJump = void (*)(void* png, int value);

struct Libpng {
    // libpng's own, behind this program's.
    SetLibpngErrorFunctions setErrorFunctions =
        reinterpret_cast<SetLibpngErrorFunctions>(dlsym(RTLD_NEXT, "png_set_error_fn"));
    LibpngLongJump longJump = reinterpret_cast<LibpngLongJump>(dlsym(RTLD_NEXT, "png_longjmp"));
};

const Libpng& Loaded() {
    static const Libpng libpng;
    return libpng;
}

void SayLibpngError(void* png, const char* message) {
    qWarning("libpng error: %s", message);
    // Back to the reader's jump, as libpng's own error function goes. Were that not to be
    // found, libpng would run its own after this one returns, and say the error again.
    if (Loaded().longJump != nullptr) {
        Loaded().longJump(png, 1);
    }
}

}  // namespace

extern "C" void png_set_error_fn(void* png, void* errorData, LibpngMessage error,
                                 LibpngMessage warning) {
    if (Loaded().setErrorFunctions != nullptr) {
        Loaded().setErrorFunctions(png, errorData, error != nullptr ? error : &SayLibpngError,
                                   warning);
    }
}
