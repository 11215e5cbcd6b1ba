// Saving the capture as a bitmap file, and going back to the capture as loaded.

#include "document/frmDocument.h"
#include "platform/pictures/ImageFile.h"
#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Numeric.h"

namespace {

std::string SavePath(const std::string& name) {
    return platform::App::Path() + platform::App::PathSeparator() + name + ".bmp";
}

}  // namespace

void frmDocument::Command1_Click() {
    const platform::Picture picture = picMove.GetPicture();
    const std::string name = Text1.Text();
    platform::SavePicture(picture, SavePath(name));
    SetCaption(SavePath(Text1.Text()));
}

void frmDocument::Command2_Click() {
    // A window that never received a picture has nothing to go back to.
    if (undo.GetPicture().IsEmpty()) {
        return;
    }
    picMove.Cls();
    picMove.SetPicture(undo.GetPicture());
    picMove.Move(0, 0, platform::TextToSingle(Label4.Caption()),
                 platform::TextToSingle(Label3.Caption()));
}
