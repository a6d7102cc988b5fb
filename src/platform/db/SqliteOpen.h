#pragma once

namespace ie::db {

// Makes SQLite's own open of every file in this process (databases, journals) refuse, without
// waiting, anything that is not a regular file: a FIFO or a device put in a database's place
// between the check in Connection::open() and SQLite's open fails there instead of hanging the
// program. Folders (opened to sync them) and the devices SQLite names itself still open. Takes
// effect once; calling it again does nothing.
void SqliteOpensRegularFilesOnly();

}  // namespace ie::db
