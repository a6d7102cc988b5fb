#pragma once

#include <QString>

namespace ie {

// Creates a new, empty file with a unique name "<prefix><1 to 4 hex digits>.tmp" in folder (the
// temporary folder when folder is empty, taken from tempFolder) and writes its full path into path.
// Returns false, leaving path as it was, when no folder is known or no file can be created.
bool ModTempFile(const QString& folder, const QString& prefix, QString& path,
                 const QString& tempFolder);

}  // namespace ie
