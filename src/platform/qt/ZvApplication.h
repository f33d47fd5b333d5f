// ZvApplication: the application main of a program whose window comes from a
// Qt Designer interface description, and the way such a program ends.
//
// Main() makes the QApplication, has the program's own loader (one that knows
// the program's widget classes and wakes every loaded object with its
// awakeFromNib()) load the interface description from the main bundle's
// Resources folder, then calls the top-level object's invokable
// applicationDidFinishLaunching() and runs the event loop.
//
// Terminate() ends the program at once: other threads are not waited for and
// nothing is torn down, so a worker thread can never touch a destroyed
// object. Tests replace it with a handler of their own.
#pragma once

#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>

class ZvApplication {
  public:
    // Loads the interface description at uiPath, wakes the loaded objects and
    // answers the top-level widget (null when it cannot be loaded). Called
    // once the QApplication exists.
    using InterfaceLoader = std::function<QWidget*(const QString& uiPath)>;

    // Runs the program; answers the event loop's exit code, or 1 when the
    // interface description cannot be loaded.
    static int Main(int argc, char** argv, const QString& interfaceName,
                    const InterfaceLoader& load);

    // Calls obj's invokable method of that name (no arguments) when it has
    // one; answers whether it had.
    static bool Send(QObject* obj, const char* method);

    // Sends awakeFromNib() to top and to every object below it that has it,
    // top first, then parents before their children in document order. The
    // objects are those that exist when the call starts; one that an earlier
    // awakeFromNib destroyed is skipped.
    static void AwakeFromNib(QObject* top);

    // Ends the program with status 0: standard output and error are flushed,
    // then the process exits without waiting for anything.
    static void Terminate();

    // Test seam: Terminate() calls handler instead of ending the process; an
    // empty handler restores the product's behaviour.
    static void SetTerminateHandler(std::function<void()> handler);
};
