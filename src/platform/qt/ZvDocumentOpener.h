// ZvDocumentOpener: opens a document, a folder or a URL with the application
// that the desktop assigns to it (xdg-open, through QDesktopServices).
//
// Platform plugins without desktop services (offscreen, minimal) get the same
// result by starting xdg-open, found on PATH, directly. Opening happens in the
// background: the answer says only whether it could be started.
#pragma once

#include <QString>
#include <QUrl>

class ZvDocumentOpener {
  public:
    // Opens the file or folder at path; an empty path opens nothing.
    static bool OpenFile(const QString& path);

    // Opens url; an empty or invalid URL opens nothing.
    static bool OpenUrl(const QUrl& url);
};
