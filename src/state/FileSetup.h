#pragma once

#include <QString>

namespace ie {

struct ModGlobal;

// Settles where this run's files live (the rules in platform/FileLocations.h) and fills g's mode,
// IniFilePath, DbPath, SysDbPath, UsrDbPath and SysDbImmutable.
//
// Portable: the settings file beside the program; a missing one is created naming the program's
// own folder as "." (a relative folder in the file is read against the program's folder).
// Installed: the settings file in the user's configuration folder, created when missing; it holds
// no database folder unless the user chose one in 環境設定. With one chosen, the user database is
// looked for there, and the reference database too when that folder holds one. Without one, the
// user database is the one in the user's data folder, made empty at the first start, and the
// reference database is the installed one, opened immutable.
//
// Throws AppError, whose description is the text to show, when a folder that must be written
// cannot be; nothing is then written anywhere else. An existing user database is never replaced.
void LocateFiles(ModGlobal& g);

}  // namespace ie
