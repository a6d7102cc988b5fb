// Build tool: creates a SQLite database file from SQL scripts, or a new user database. The file is
// built under a temporary name and renamed into place, so an interrupted build never leaves half a
// database.
// Usage: ie_mkdb [--if-missing] OUTPUT SCRIPT...
//        ie_mkdb --user OUTPUT    (a new user database unless OUTPUT exists; the program's own
//                                  CreateUserDatabase, so that the tool and the program agree)
#include "common/AppError.h"
#include "state/UserDatabase.h"

#include <sqlite3.h>

#include <QFile>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

int MakeUserDatabase(const std::filesystem::path& out) {
    if (std::filesystem::exists(out)) {
        return 0;  // an existing user database is never overwritten
    }
    try {
        ie::CreateUserDatabase(QFile::decodeName(out.string().c_str()));
    } catch (const ie::AppError& e) {
        std::cerr << "ie_mkdb: " << e.description().toStdString() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--user") {
        return MakeUserDatabase(argv[2]);
    }
    bool ifMissing = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--if-missing") {
            ifMissing = true;
        } else {
            args.push_back(a);
        }
    }
    if (args.size() < 2) {
        std::cerr << "usage: ie_mkdb [--if-missing] OUTPUT SCRIPT... | ie_mkdb --user OUTPUT\n";
        return 2;
    }
    const std::filesystem::path out = args[0];
    if (ifMissing && std::filesystem::exists(out)) {
        return 0;  // an existing user database is never overwritten
    }
    const std::filesystem::path tmp = out.string() + ".building";
    std::filesystem::remove(tmp);
    sqlite3* db = nullptr;
    if (sqlite3_open(tmp.string().c_str(), &db) != SQLITE_OK) {
        std::cerr << "ie_mkdb: cannot create " << tmp << ": " << sqlite3_errmsg(db) << "\n";
        sqlite3_close(db);
        return 1;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::ifstream in(args[i], std::ios::binary);
        if (!in) {
            std::cerr << "ie_mkdb: cannot read " << args[i] << "\n";
            sqlite3_close(db);
            return 1;
        }
        std::stringstream ss;
        ss << in.rdbuf();
        char* err = nullptr;
        if (sqlite3_exec(db, ss.str().c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::cerr << "ie_mkdb: " << args[i] << ": " << (err ? err : "error") << "\n";
            sqlite3_free(err);
            sqlite3_close(db);
            return 1;
        }
    }
    if (sqlite3_close(db) != SQLITE_OK) {
        std::cerr << "ie_mkdb: cannot finish " << tmp << "\n";
        return 1;
    }
    std::filesystem::rename(tmp, out);
    return 0;
}
