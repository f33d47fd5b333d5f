// MyTitleView: the welcome page. Shows the welcome text ("textTitleView") in
// its text field idViewText.
#pragma once

#include <QLabel>

#include "widgets/ZRColorView.h"

class MyTitleView : public ZRColorView {
    Q_OBJECT

  public:
    explicit MyTitleView(QWidget* parent = nullptr);

    // Sets the welcome text and shows it.
    Q_INVOKABLE void awakeFromNib();

  private:
    void ConnectOutlets();

    QLabel* idViewText = nullptr;
};
