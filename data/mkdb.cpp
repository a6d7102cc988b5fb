// Build tool: creates a SQLite database file from SQL scripts. The file is built under a temporary
// name and renamed into place, so an interrupted build never leaves half a database.
// Usage: ie_mkdb [--if-missing] OUTPUT SCRIPT...
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
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
        std::cerr << "usage: ie_mkdb [--if-missing] OUTPUT SCRIPT...\n";
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
