#include "platform/runtime/Application.h"
#include "shell/Module1.h"

int main(int argc, char** argv) {
    return platform::RunApplication(argc, argv, Module1::Main);
}
