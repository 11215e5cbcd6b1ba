// Capture intake: every picture that reaches the clipboard opens a new capture window.

#include <memory>
#include <string>

#include "document/frmDocument.h"
#include "platform/clipboard/Clipboard.h"
#include "platform/runtime/Dispatch.h"
#include "platform/runtime/Numeric.h"
#include "shell/frmMain.h"

using platform::SkipOnFailure;

void frmMain::Timer1_Timer() {
    std::uint32_t handle = 0;
    if (!SkipOnFailure([&] { handle = platform::Clipboard::GetData().Handle(); }) || handle == 0) {
        return;
    }
    SkipOnFailure([this] { LoadNewCapture(); });
    SkipOnFailure([] { platform::Clipboard::Clear(); });
}

void frmMain::LoadNewCapture() {
    lDocumentCount = platform::CheckedAdd32(lDocumentCount, 1);
    auto document = std::make_unique<frmDocument>(*this);
    document->Load();
    document->SetCaption(std::to_string(lDocumentCount));
    document->Text1.SetText(document->Text1.Text() + document->Caption());
    document->Show();
    // The window owns its form from now on; closing it destroys the form.
    static_cast<void>(document.release());
}
