// ZRUiLoader: a QUiLoader that builds this folder's widget classes by name from
// a Qt Designer .ui file, and that callers can teach further classes.
//
// Known from the start: ZRColorView, ZRDropShadowTextField, ZRImageBgView,
// MyBackgroundView, ZRClickableImageView, ZRClickableTextField. Further classes
// are added with RegisterWidgetClass (or by overriding createWidget and
// falling back to this one); every other class name goes to QUiLoader.
//
// LoadInterface loads a .ui file and then calls awakeFromNib() on every loaded
// object that has such an invokable method (a slot or Q_INVOKABLE), the top
// widget first and the rest in document order.
#pragma once

#include <QHash>
#include <QString>
#include <QUiLoader>

#include <functional>

class QIODevice;

class ZRUiLoader : public QUiLoader {
    Q_OBJECT

  public:
    using WidgetFactory = std::function<QWidget*(QWidget* parent)>;

    explicit ZRUiLoader(QObject* parent = nullptr);

    // Makes className buildable with factory; replaces an earlier factory of
    // that name.
    void RegisterWidgetClass(const QString& className, WidgetFactory factory);

    template <class Widget>
    void RegisterWidgetClass(const QString& className) {
        RegisterWidgetClass(className, [](QWidget* parent) { return new Widget(parent); });
    }

    bool IsRegisteredClass(const QString& className) const;

    QWidget* createWidget(const QString& className, QWidget* parent = nullptr,
                          const QString& name = QString()) override;

    // load() followed by awakeFromNib() on every loaded object that has it.
    // Null when the file cannot be loaded (errorString() tells why).
    QWidget* LoadInterface(QIODevice* device, QWidget* parentWidget = nullptr);

  private:
    QHash<QString, WidgetFactory> m_Factories;
};
