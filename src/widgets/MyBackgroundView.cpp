#include "widgets/MyBackgroundView.h"

MyBackgroundView::MyBackgroundView(QWidget* parent) : QWidget(parent) {}
