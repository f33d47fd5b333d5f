// zrmCopyObject: the copy engine's entry for the rest of the system. Copies a
// file, link or folder tree into a folder, replacing an object of the same
// name only once the copy is complete.
#pragma once

#include "platform/types.h"

// Copies source into destDir under newName (UTF-8; null keeps the source's
// name) with FSCopyObject in replace mode, whole tree, no filter. newObject
// (optional) receives the copy. True exactly when the copy succeeded; a name
// that is not valid UTF-8 or longer than 255 UTF-16 units copies nothing.
bool zrmCopyObject(const FSRef* source, const FSRef* destDir, const char* newName,
                   FSRef* newObject);
