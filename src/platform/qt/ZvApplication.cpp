#include "platform/qt/ZvApplication.h"

#include <QApplication>
#include <QList>
#include <QMetaMethod>
#include <QPointer>
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

void ZvApplication::AwakeFromNib(QObject* top) {
    if (top == nullptr) {
        return;
    }
    // Waking an object can destroy others (a text view that loads a document
    // drops its old text objects), so every object is held by a guard.
    QList<QPointer<QObject>> loaded;
    loaded.append(top);
    for (QObject* child : top->findChildren<QObject*>()) {
        loaded.append(child);
    }
    for (const QPointer<QObject>& obj : loaded) {
        if (!obj.isNull()) {
            Send(obj.data(), "awakeFromNib");
        }
    }
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
