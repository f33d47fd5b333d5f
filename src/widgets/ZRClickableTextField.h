// ZRClickableTextField: a text field (a QLabel) that draws its string as a link
// and opens a URL when clicked.
//
// The field is hidden after construction and visible exactly while its string
// is non-empty; every new string resizes it to the string's width in the
// field's font, keeping its height. The string may be set with
// setStringValue, setText or the "text" property (a .ui file), all alike.
//
// With a non-empty URL the field is a link: the cursor over it is the pointing
// hand (Qt always offers one; the custom cursor from the cursor image, hot spot
// (3, 1), is kept but not shown), it tracks the mouse through enter and leave
// events, and it draws its string in pure blue, underlined only while the mouse
// is over it, in "Osaka" at its font's point size (its own font where "Osaka"
// is not installed), at its top-left corner; border, background and alignment
// are not drawn or used, and the field takes the string's natural size. A
// left-button press, or Space, Return or Enter while it has focus, opens the
// URL with the default browser (ZROpenURL). The URL is also the field's
// accessible description, and a link field takes focus by tab and click.
//
// With an empty URL it draws as a plain QLabel, and clicks and keys open
// nothing.
#pragma once

#include <QCursor>
#include <QImage>
#include <QLabel>
#include <QString>

#include <cstdint>
#include <optional>

class ZRClickableTextField : public QLabel {
    Q_OBJECT
    // The inherited "text" property goes through setStringValue, so a string
    // set from a .ui file resizes, shows and hides the field too.
    Q_PROPERTY(QString text READ text WRITE setStringValue)

  public:
    explicit ZRClickableTextField(QWidget* parent = nullptr);

    // In this order: width of text in the field's font with the current height,
    // hidden when text is empty and shown otherwise, then the text itself.
    void setStringValue(const QString& text);

    // Keeps the cursor image and builds the custom cursor from it, keeps its
    // own copy of url, sets the text through setStringValue and rebuilds the
    // cursor and the mouse tracking.
    void SetLinkString(const QString& text, const QString& url, const QImage& cursorImage);

    // Rebuilds the cursor and the mouse tracking from the current link: drops
    // the previous tracking; with a non-empty URL sets the pointing hand and
    // tracks again. Always asks for a redraw.
    void resetCursorRects();

    QString url() const { return m_strURL; }
    bool isHovered() const { return m_bInCursor; }
    QImage cursorImage() const { return m_CursorImage; }
    const std::optional<QCursor>& customCursor() const { return m_Cursor; }

  public slots:
    // Hides QLabel::setText for callers that know this class.
    void setText(const QString& text) { setStringValue(text); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool IsLink() const { return !m_strURL.isEmpty(); }
    void DrawLink();

    // Non-zero while the field tracks the mouse (that is, while it is a link).
    int32_t m_TrackingRectTag = 0;
    bool m_bInCursor = false;
    QString m_strURL;
    QImage m_CursorImage;
    std::optional<QCursor> m_Cursor;
};
