// ZROpenURL: opens a URL with the user's default application for it (the
// default browser for web addresses, the default handler for files).
//
// It goes through QDesktopServices. Platform plugins that cannot open URLs
// (offscreen, minimal) answer false there; the URL is then handed to the
// desktop's opener, "xdg-open" found on PATH, directly. No shell is involved.
#pragma once

#include <QUrl>

// True when an application was asked to open url. A URL that is invalid or has
// no scheme is refused (false) and opens nothing.
bool ZROpenURL(const QUrl& url);
