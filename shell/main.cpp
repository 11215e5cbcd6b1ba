#include <memory>

#include "platform/runtime/Application.h"
#include "shell/Module1.h"
#include "shell/frmMain.h"

int main(int argc, char** argv) {
    return platform::RunApplication(argc, argv,
                                    [] { return std::shared_ptr<void>(Module1::Main()); });
}
