// Platform layer, Qt half: what the installer needs from the desktop, over Qt
// and POSIX. Nothing here draws; the widgets and the installer stand on it.
//
//   ZvBundle           the main bundle's Resources folder, resource look-up by
//                      name, the Library folders of the domains
//   ZvStringTable      texts by key from the bundle's Qt translation files,
//                      chosen by locale; a missing key gives the key itself
//   ZvPreferenceStore  per-user, per-host preferences of one domain, kept in a
//                      JSON file under $XDG_CONFIG_HOME, written atomically
//   ZvToolLauncher     runs a tool as the user, or with administrator rights
//                      through pkexec, telling a refusal apart from a run
//   ZvDocumentOpener   opens a document or URL with its default application
//   ZvModalSession     keeps a window responsive while the main thread waits
//   ZvApplication      the application main: loads the interface description,
//                      wakes the loaded objects, runs the event loop; ending
//                      the program
#pragma once

#include "platform/qt/ZvApplication.h"
#include "platform/qt/ZvBundle.h"
#include "platform/qt/ZvDocumentOpener.h"
#include "platform/qt/ZvModalSession.h"
#include "platform/qt/ZvPreferenceStore.h"
#include "platform/qt/ZvStringTable.h"
#include "platform/qt/ZvToolLauncher.h"
