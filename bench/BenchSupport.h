#pragma once

// Small pieces every benchmark program uses: the median of its runs, a figure of the process's
// own memory, SQL run straight on a database it prepares, and a new user database.
#include "common/AppError.h"
#include "state/UserDatabase.h"

#include <sqlite3.h>

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ie::bench {

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when it cannot be read.
inline long StatusKb(const char* field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, field, n) == 0 && line[n] == ':') {
            kb = std::atol(line + n + 1);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

inline bool Exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "sqlite: %s\n", err ? err : "?");
        sqlite3_free(err);
        return false;
    }
    return true;
}

// A new, empty user database at path, made as the program makes one; false on failure.
inline bool MakeUserDatabase(const QString& path) {
    QFile::remove(path);
    try {
        CreateUserDatabase(path);
        return true;
    } catch (const AppError&) {
        return false;
    }
}

}  // namespace ie::bench
