#include "widgets/ZRUiLoader.h"

#include <QIODevice>
#include <QMetaObject>
#include <QPointer>

#include "widgets/MyBackgroundView.h"
#include "widgets/ZRClickableImageView.h"
#include "widgets/ZRClickableTextField.h"
#include "widgets/ZRColorView.h"
#include "widgets/ZRDropShadowTextField.h"
#include "widgets/ZRImageBgView.h"

namespace {

void AwakeFromNib(QObject* object) {
    if (object->metaObject()->indexOfMethod("awakeFromNib()") >= 0) {
        QMetaObject::invokeMethod(object, "awakeFromNib", Qt::DirectConnection);
    }
}

}  // namespace

ZRUiLoader::ZRUiLoader(QObject* parent) : QUiLoader(parent) {
    RegisterWidgetClass<ZRColorView>(QStringLiteral("ZRColorView"));
    RegisterWidgetClass<ZRDropShadowTextField>(QStringLiteral("ZRDropShadowTextField"));
    RegisterWidgetClass<ZRImageBgView>(QStringLiteral("ZRImageBgView"));
    RegisterWidgetClass<MyBackgroundView>(QStringLiteral("MyBackgroundView"));
    RegisterWidgetClass<ZRClickableImageView>(QStringLiteral("ZRClickableImageView"));
    RegisterWidgetClass<ZRClickableTextField>(QStringLiteral("ZRClickableTextField"));
}

void ZRUiLoader::RegisterWidgetClass(const QString& className, WidgetFactory factory) {
    m_Factories.insert(className, std::move(factory));
}

bool ZRUiLoader::IsRegisteredClass(const QString& className) const {
    return m_Factories.contains(className);
}

QWidget* ZRUiLoader::createWidget(const QString& className, QWidget* parent, const QString& name) {
    const auto factory = m_Factories.constFind(className);
    if (factory == m_Factories.constEnd()) {
        return QUiLoader::createWidget(className, parent, name);
    }
    QWidget* widget = (*factory)(parent);
    if (widget != nullptr) {
        widget->setObjectName(name);
    }
    return widget;
}

QWidget* ZRUiLoader::LoadInterface(QIODevice* device, QWidget* parentWidget) {
    QWidget* root = load(device, parentWidget);
    if (root == nullptr) {
        return nullptr;
    }
    // findChildren walks depth first, parents before their children, in the
    // order the children were made: the file's order. Waking an object can
    // destroy others (a text view that loads a document drops its old text
    // objects), so each one is held by a guard and skipped once gone.
    QList<QPointer<QObject>> loaded;
    loaded.append(root);
    for (QObject* object : root->findChildren<QObject*>()) {
        loaded.append(object);
    }
    for (const QPointer<QObject>& object : loaded) {
        if (!object.isNull()) {
            AwakeFromNib(object.data());
        }
    }
    return root;
}
