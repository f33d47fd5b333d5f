// The installer wizard: one window that installs one screen-saver module for
// the current user or for all users.
//
//   MyInstallerWindow  the window and its controller: page state machine,
//                      start-up background, plug-in and licence checks,
//                      finishing actions, and the installation worker
//                      FileExtractFunction (its own thread)
//   MyTitleView, MyAgreeView, MyChooseView, MyProgressView, MyFinishedView,
//   MyNoFlashView      the six pages
//   MyUiLoader         builds the window and its pages from installer.ui
//   MyControlState     on/off/mixed state of the pages' check boxes
//
// Everything it installs travels in its bundle's Resources folder: saver.bin
// (the module), fc.bin (the copy tool FileCopy, checked against a digest
// fixed at build time), bg.bin (the background picture), EULA.rtf and
// Readme.rtf, next to installer.ui and the string tables.
#pragma once

#include "installer/MyAgreeView.h"
#include "installer/MyChooseView.h"
#include "installer/MyControlState.h"
#include "installer/MyFinishedView.h"
#include "installer/MyInstallerWindow.h"
#include "installer/MyNoFlashView.h"
#include "installer/MyProgressView.h"
#include "installer/MyTitleView.h"
#include "installer/MyUiLoader.h"
