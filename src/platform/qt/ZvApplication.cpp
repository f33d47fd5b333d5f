#include "platform/qt/ZvApplication.h"

#include <QApplication>
#include <QMetaMethod>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "platform/qt/ZvBundle.h"

namespace {

std::mutex g_handlerMutex;
std::function<void()> g_terminateHandler;

}  // namespace

bool ZvApplication::Send(QObject* obj, const char* method) {
    if (obj == nullptr) {
        return false;
    }
    const QByteArray signature = QByteArray(method) + "()";
    const int index = obj->metaObject()->indexOfMethod(signature.constData());
    if (index < 0) {
        return false;
    }
    return obj->metaObject()->method(index).invoke(obj, Qt::DirectConnection);
}

int ZvApplication::Main(int argc, char** argv, const QString& interfaceName,
                        const InterfaceLoader& load) {
    QApplication app(argc, argv);
    const QString resources = ZvBundle::ResourcesPath();
    QWidget* window = nullptr;
    if (load && !resources.isEmpty()) {
        window = load(resources + QLatin1Char('/') + interfaceName);
    }
    if (window == nullptr) {
        std::fprintf(stderr, "%s: cannot load the interface description %s\n",
                     argc > 0 ? argv[0] : "program", qPrintable(interfaceName));
        return 1;
    }
    Send(window, "applicationDidFinishLaunching");
    const int status = app.exec();
    delete window;
    return status;
}

void ZvApplication::Terminate() {
    std::function<void()> handler;
    {
        std::lock_guard<std::mutex> lock(g_handlerMutex);
        handler = g_terminateHandler;
    }
    if (handler) {
        handler();
        return;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(0);
}

void ZvApplication::SetTerminateHandler(std::function<void()> handler) {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    g_terminateHandler = std::move(handler);
}
