// MyProgressView: the progress page. Its bar idProgressIndicator runs from 0
// to 100 (percent of the module's entries unpacked) with a resolution of a
// hundredth of a percent.
#pragma once

#include <QProgressBar>

#include "widgets/ZRColorView.h"

class MyProgressView : public ZRColorView {
    Q_OBJECT

  public:
    // Bar steps per percent: QProgressBar counts in integers.
    static constexpr int kStepsPerPercent = 100;

    explicit MyProgressView(QWidget* parent = nullptr);

    // Sets the bar's range to 0 .. 100 percent.
    Q_INVOKABLE void awakeFromNib();

    // Sets the bar to value percent (0.0 .. 100.0); values outside the range
    // leave the bar as it is.
    void SetBarValue(double value);

  private:
    void ConnectOutlets();

    QProgressBar* idProgressIndicator = nullptr;
};
