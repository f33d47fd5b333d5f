// ZRClickableImageView: an image view (a QLabel showing a picture) that opens
// a URL when clicked.
//
// Without a link (none set, or empty) the view is inert: its cursor is left
// alone and clicks and keys are ignored. With a link, its cursor is the
// pointing hand (Qt always offers one, so the custom cursor built from the
// cursor image, hot spot (3, 1) from the image's top-left corner, is kept but
// not shown); a left-button press, or Space, Return or Enter while it has
// focus, opens the link. By default it is first offered to the application of
// the desktop entry "com.apple.safari" (LaunchURLWithBrowser) and, when that
// fails for any reason, to the default browser (ZROpenURL); SetUsingSafari(0)
// makes it use the default browser only. The link is also the view's
// accessible description, and a link view takes focus by tab and click.
//
// The cursor rectangle of the view is the widget's cursor: it covers the
// view's whole current geometry by construction.
#pragma once

#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QString>

#include <optional>

class ZRClickableImageView : public QLabel {
    Q_OBJECT

  public:
    explicit ZRClickableImageView(QWidget* parent = nullptr);

    // Keeps its own copy of url and the cursor image, builds the custom cursor
    // from the image (none for a null image) and rebuilds the cursor at once.
    void SetLinkedURL(const QString& url, const QImage& cursorImage);

    // Non-zero: clicks try "com.apple.safari" first (the default); zero: clicks
    // use the default browser only.
    void SetUsingSafari(bool flag);

    // Rebuilds the view's cursor: back to the inherited one, then SetClickable.
    void resetCursorRects();

    // With a non-empty link, sets the pointing-hand cursor over the view;
    // otherwise does nothing.
    void SetClickable();

    QString linkedURL() const { return m_strLinkedURL; }
    bool usesDefaultBrowser() const { return m_bUseDefaultBrowser; }
    QImage cursorImage() const { return m_CursorImage; }
    const std::optional<QCursor>& customCursor() const { return m_Cursor; }

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool IsLink() const { return !m_strLinkedURL.isEmpty(); }
    void OpenLink();

    bool m_bUseDefaultBrowser = false;
    QString m_strLinkedURL;
    QImage m_CursorImage;
    std::optional<QCursor> m_Cursor;
};
