// UNC paths ("\\SERVER\SHARE\rest") on Linux: a share is reached where the desktop has it
// mounted, the GVfs mount in the user's runtime directory when there is one, otherwise below
// a mount root (default /mnt) as ROOT/SERVER/SHARE/rest. Other paths are used as given.
#pragma once

#include <string>

// The folder below which SERVER/SHARE folders are looked for when there is no GVfs mount.
void SetUncMountRoot(const std::string& root);
const std::string& UncMountRoot();

// The local path of a UNC path; any other path comes back unchanged.
std::string ResolveUncPath(const std::string& path);

// True when a regular file exists at the path (UNC paths resolved first).
bool FileExists(const std::string& path);
