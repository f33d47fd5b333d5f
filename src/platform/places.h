// Well-known places: the user's private temporary folder, the Library folders
// of the three domains, and the running program's bundle.
//
// All calls answer an OSErr (0 = success) and can be made to fail by
// FaultInjection under the PlatformOp of the same name.
#pragma once

#include "platform/types.h"

// Finds a folder of a domain:
// - kTemporaryFolderType, kUserDomain: the user's private temporary folder,
//   "$TMPDIR/zorvane-<uid>" ($TMPDIR when it is an absolute path, else /tmp).
//   With createFolder it is made with mode 0700 when missing. It is refused
//   with -5000, and nothing is made in it, unless it is a real folder (not a
//   symbolic link) owned by the effective user with no group or other access.
// - kLibraryFolderType: kUserDomain $XDG_DATA_HOME (default ~/.local/share,
//   made with mode 0700 when createFolder and missing), kLocalDomain the first
//   entry of $XDG_DATA_DIRS (default /usr/local/share), kSystemDomain its last
//   entry (default /usr/share). Only absolute entries count. These two are
//   never created.
// -43 when the folder does not exist (and is not created), -50 for another
// domain or type.
OSErr FSFindFolder(std::int16_t domain, OSType folderType, bool createFolder, FSRef* foundRef);

// The path FSFindFolder would resolve, written into path (maxPathSize bytes
// with the NUL, no trailing "/"), whether or not the folder exists; -50 for
// an unknown domain or type or when it does not fit. No checks are made.
OSErr FSFindFolderPath(std::int16_t domain, OSType folderType, char* path,
                       std::uint32_t maxPathSize);

// The running program's bundle: the folder that holds its executable. The
// application folder is the bundle's parent, the Resources folder is
// "Resources" inside the bundle. Each answers -43 when that folder does not
// exist.
OSErr BundleGetMainBundle(FSRef* bundleRef);
OSErr BundleGetResourcesFolder(FSRef* resourcesRef);
OSErr BundleGetApplicationFolder(FSRef* applicationFolderRef);

// Makes the given absolute folder path count as the main bundle from now on
// (tests, and tools that live outside their bundle). Null restores the
// executable's folder. Not meant to be called while other threads ask.
void BundleSetMainBundlePath(const char* path);
