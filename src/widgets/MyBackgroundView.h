// MyBackgroundView: a plain view with no fields and no behaviour of its own.
// It exists so that a window layout (.ui file) can name it; it behaves exactly
// as QWidget.
#pragma once

#include <QWidget>

class MyBackgroundView : public QWidget {
    Q_OBJECT

  public:
    explicit MyBackgroundView(QWidget* parent = nullptr);
};
