// Removing the installer's temporary folders.
#pragma once

// Removes the folder at path with everything in it (symbolic links inside
// are removed, not followed). A path of 5 bytes or fewer cannot name one of
// the temporary folders and is left alone; so is an empty path, for a folder
// that was never made. Failures are not reported.
void MyRemoveTempFolder(const char* path);
