// MyChooseView: the page that chooses between installing for the current user
// (idChkCurrUser) and for all users (idChkAllUser). Only the all-users
// control is ever read; which one starts selected, and whether the two
// exclude each other, is the interface description's business.
#pragma once

#include <QAbstractButton>

#include "widgets/ZRColorView.h"

class MyChooseView : public ZRColorView {
    Q_OBJECT

  public:
    explicit MyChooseView(QWidget* parent = nullptr);

    // Titles the two controls ("textCurrUser", then "textAllUsers").
    Q_INVOKABLE void awakeFromNib();

    // True exactly when the all-users control is on; a mixed state is not.
    bool IsCheckedAllUser();

  public slots:
    // Actions of the two controls; they do nothing.
    void onCheckedAllUser(bool checked);
    void onCheckedCurrUser(bool checked);

  private:
    void ConnectOutlets();

    QAbstractButton* idChkAllUser = nullptr;
    QAbstractButton* idChkCurrUser = nullptr;
};
