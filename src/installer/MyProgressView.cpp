#include "installer/MyProgressView.h"

#include <cmath>

MyProgressView::MyProgressView(QWidget* parent) : ZRColorView(parent) {}

void MyProgressView::ConnectOutlets() {
    if (idProgressIndicator == nullptr) {
        idProgressIndicator = findChild<QProgressBar*>(QStringLiteral("idProgressIndicator"));
    }
}

void MyProgressView::awakeFromNib() {
    ConnectOutlets();
    if (idProgressIndicator == nullptr) {
        return;
    }
    // Qt animates the bar on the GUI thread by itself; there is nothing to
    // start here.
    idProgressIndicator->setRange(0, 100 * kStepsPerPercent);
    idProgressIndicator->setValue(0);
}

void MyProgressView::SetBarValue(double value) {
    ConnectOutlets();
    if (idProgressIndicator == nullptr || !(value >= 0.0 && value <= 100.0)) {
        return;
    }
    idProgressIndicator->setValue(static_cast<int>(std::lround(value * kStepsPerPercent)));
}
