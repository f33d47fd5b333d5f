#include "installer/MyControlState.h"

#include <QCheckBox>

int MyControlState(const QAbstractButton* control) {
    if (control == nullptr) {
        return 0;
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
        switch (box->checkState()) {
            case Qt::Checked:
                return 1;
            case Qt::PartiallyChecked:
                return -1;
            case Qt::Unchecked:
                return 0;
        }
    }
    return control->isChecked() ? 1 : 0;
}

void MySetControlState(QAbstractButton* control, int state) {
    if (control == nullptr) {
        return;
    }
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        if (state == -1) {
            box->setTristate(true);
            box->setCheckState(Qt::PartiallyChecked);
            return;
        }
        box->setCheckState(state == 1 ? Qt::Checked : Qt::Unchecked);
        return;
    }
    control->setChecked(state == 1);
}
