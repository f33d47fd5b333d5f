// The installer's entry point: hands over to the application main, which
// loads "installer.ui" from the bundle's Resources folder and runs the wizard.
#include "installer/MyUiLoader.h"
#include "platform/qt/ZvApplication.h"

int main(int argc, char* argv[]) {
    return ZvApplication::Main(argc, argv, QStringLiteral("installer.ui"), &MyUiLoader::LoadFile);
}
