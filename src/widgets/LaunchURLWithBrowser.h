// LaunchURLWithBrowser: opens one URL with the application of a given
// identifier.
//
// The application is the XDG desktop entry "<identifier>.desktop" found in the
// XDG application folders (see ZRDesktopEntry). Its Exec line is run with the
// URL, field codes expanded, as a detached process, without a shell and in the
// entry's Path folder when it names one. The answer is 0 once the program has
// been started; what it then does with the URL is not waited for.
#pragma once

#include <QString>
#include <QUrl>

#include <cstdint>

// Non-zero answers of LaunchURLWithBrowser.
enum : int32_t {
    // No usable entry: none found, or the first one found is hidden (deleted)
    // or is not of type Application. Nothing is started.
    kZRLaunchNoApplication = -43,
    // The URL is invalid or has no scheme, or the identifier is not a plain
    // name. Nothing is started.
    kZRLaunchBadArgument = -50,
    // An entry was found but cannot be launched: unreadable, Exec missing or
    // malformed, TryExec or the program not found, a terminal needed, or the
    // program could not be started.
    kZRLaunchFailed = -36,
};

// 0 when the application of identifier was started with url, otherwise one of
// the statuses above.
int32_t LaunchURLWithBrowser(const QUrl& url, const QString& identifier);
