#include "platform/db/SqliteOpen.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ie::db {

namespace {

// SQLite's own open of every file: never waiting, and refusing anything but a regular file, a
// folder (opened to sync it) and the two devices SQLite names itself, so that a FIFO or a device
// put in a database's place after the check in open() fails there instead of hanging the program.
int OpenWithoutWaiting(const char* path, int flags, int mode) {
    const int fd = ::open(path, flags | O_NONBLOCK, mode);
    if (fd < 0) {
        return fd;
    }
    struct stat st {};
    const bool ownDevice =
        std::strcmp(path, "/dev/urandom") == 0 || std::strcmp(path, "/dev/null") == 0;
    if (::fstat(fd, &st) != 0 ||
        !(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) || (S_ISCHR(st.st_mode) && ownDevice))) {
        ::close(fd);
        errno = ENXIO;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

}  // namespace

void SqliteOpensRegularFilesOnly() {
    static const bool installed = [] {
        sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
        return vfs != nullptr && vfs->iVersion >= 3 && vfs->xSetSystemCall != nullptr &&
               vfs->xSetSystemCall(vfs, "open",
                                   reinterpret_cast<sqlite3_syscall_ptr>(&OpenWithoutWaiting)) ==
                   SQLITE_OK;
    }();
    (void)installed;
}

}  // namespace ie::db
