// Saving the capture as a bitmap file, and going back to the capture as loaded.

#include "document/frmDocument.h"
#include "platform/pictures/ImageFile.h"
#include "platform/runtime/AppInfo.h"
#include "platform/runtime/Numeric.h"
#include "platform/runtime/SaveFolder.h"

namespace {

std::string SavePath(const std::string& folder, const std::string& name) {
    return folder + platform::App::PathSeparator() + name + ".bmp";
}

}  // namespace

void frmDocument::Command1_Click() {
    const platform::Picture picture = picMove.GetPicture();
    const std::string name = Text1.Text();
    const std::string folder = platform::SaveFolder();
    platform::SavePicture(picture, SavePath(folder, name));
    SetCaption(SavePath(folder, Text1.Text()));
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
