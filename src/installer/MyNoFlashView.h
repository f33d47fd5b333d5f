// MyNoFlashView: the page shown when the Flash Player plug-in is missing. It
// explains that ("textNoFlash", in idNoFlashText) and offers a clickable
// banner (idFlashBanner) that opens the plug-in's download page, first in the
// "com.apple.safari" browser and else in the default one.
#pragma once

#include <QLabel>

#include "widgets/ZRClickableImageView.h"
#include "widgets/ZRColorView.h"

class MyNoFlashView : public ZRColorView {
    Q_OBJECT

  public:
    // The download page of the plug-in.
    static constexpr const char* kFlashDownloadURL =
        "https://www.adobe.com/go/gnavtray_dl_flashpl_jp";

    explicit MyNoFlashView(QWidget* parent = nullptr);

    // Sets and shows the text, then links the banner to the download page
    // with the bundle's "myClickCursor" image as its cursor image.
    Q_INVOKABLE void awakeFromNib();

  private:
    void ConnectOutlets();

    ZRClickableImageView* idFlashBanner = nullptr;
    QLabel* idNoFlashText = nullptr;
};
