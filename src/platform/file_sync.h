#pragma once
#include <QString>

// Flushes a file, or a folder's entries (a file just created in it), to the disk.
// False when it cannot be opened or the flush fails.
bool syncFileToDisk(const QString& path);
bool syncFolderToDisk(const QString& path);
