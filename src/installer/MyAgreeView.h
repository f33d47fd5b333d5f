// MyAgreeView: the licence-agreement page. Its text view idAgreeTextView
// shows the bundle's "EULA.rtf" (an RTF file or an RTFD folder of that name)
// as formatted text, read once when the interface is loaded.
#pragma once

#include <QTextEdit>

#include "widgets/ZRColorView.h"

class MyAgreeView : public ZRColorView {
    Q_OBJECT

  public:
    explicit MyAgreeView(QWidget* parent = nullptr);

    // Loads "EULA.rtf" from the Resources folder into the text view (a file
    // that is missing or cannot be read leaves the view as it is) and shows
    // the view.
    Q_INVOKABLE void awakeFromNib();

  private:
    void ConnectOutlets();

    QTextEdit* idAgreeTextView = nullptr;
};
