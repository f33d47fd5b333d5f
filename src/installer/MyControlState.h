// The on/off state of a check box or choice control, as the pages read and
// set it: 1 = on (ticked, selected), 0 = off, -1 = mixed (a tri-state box that
// is partly ticked). Every other value a caller passes counts as off.
#pragma once

#include <QAbstractButton>

int MyControlState(const QAbstractButton* control);

// Sets control to the state (1, 0 or -1); does nothing without a control.
void MySetControlState(QAbstractButton* control, int state);
