// File and path library: everything the rest of the system needs to name,
// find, create, read, write and list files.
//
//   zrPath.h    path string helpers (split and join, no file system access)
//   zrmFile.h   native file operations over the platform file layer (zrm*)
//   CUniChar.h  owner of a UTF-16 name array
//   CFile.h     zrLib::File::CFile: the file object, the private temporary
//               folder, nested folder creation and file-name trees
#pragma once

#include "filelib/CFile.h"
#include "filelib/CUniChar.h"
#include "filelib/zrPath.h"
#include "filelib/zrmFile.h"
