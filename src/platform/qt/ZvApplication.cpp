#include "platform/qt/ZvApplication.h"

#include <QApplication>
#include <QFile>
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

QWidget* ZvApplication::LoadInterface(const QString& uiPath, QUiLoader& loader) {
    QFile file(uiPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    QWidget* top = loader.load(&file);
    file.close();
    if (top == nullptr) {
        return nullptr;
    }
    // Collected first: objects made by an awakeFromNib are not loaded ones.
    QList<QPointer<QObject>> loaded;
    loaded.append(top);
    for (QObject* child : top->findChildren<QObject*>()) {
        loaded.append(child);
    }
    for (const QPointer<QObject>& obj : loaded) {
        Send(obj.data(), "awakeFromNib");
    }
    return top;
}

int ZvApplication::Main(int argc, char** argv, const QString& interfaceName,
                        const LoaderFactory& makeLoader) {
    QApplication app(argc, argv);
    const QString resources = ZvBundle::ResourcesPath();
    std::unique_ptr<QUiLoader> loader = makeLoader ? makeLoader() : nullptr;
    QWidget* window = nullptr;
    if (loader && !resources.isEmpty()) {
        window = LoadInterface(resources + QLatin1Char('/') + interfaceName, *loader);
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
