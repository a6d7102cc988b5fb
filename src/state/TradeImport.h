#pragma once

#include "common/TradeCsv.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <vector>

namespace ie {

// Importing the open price data into the trades database: a plain function, for the window and
// for anything without one.
//
// Every file is looked at first, and a file that is not these data refuses the whole import. The
// rows are then read into a staging area beside the database; a row that cannot be read is skipped
// and counted. Last, each (都道府県, 取引時期) the files cover replaces what the database held for
// it, in a transaction of its own: importing a download again never counts a trade twice, rows that
// are alike inside one file are all kept, and a cancel, a full disk or a crash leaves every quarter
// either as it was or wholly replaced. Of two files that cover one quarter, the later in the list
// gives it.

struct TradeImportProgress {
    std::atomic<qint64> rowsRead{0};
    std::atomic<qint64> bytesRead{0};
    qint64 bytesTotal = 0;  // set as the import starts
    std::atomic<int> quartersWritten{0};
    std::atomic<int> quartersTotal{0};
    std::atomic<bool> cancel{false};  // set by whoever watches; the import stops soon after
    // Quarters are written together until a transaction holds this many rows (a quarter is never
    // split): fewer commits, each rewriting fewer pages of the index.
    qint64 rowsPerTransaction = 100000;
    // Called on the import's own thread after every 1,024 rows read and every transaction of
    // quarters written.
    std::function<void()> onStep;
};

struct TradeImportResult {
    enum class End {
        Done,       // every file imported
        Refused,    // a file is not these data (or cannot be read); nothing imported
        Cancelled,  // stopped by the user; quarters written before stay
        Failed,     // the database could not be written; quarters written before stay
    };
    End end = End::Done;
    QString message;       // Refused, Failed: what to show
    bool damaged = false;  // Failed because the trades database is damaged
    qint64 added = 0;      // rows in quarters the database did not hold
    qint64 replaced = 0;   // rows in quarters that replaced earlier ones
    qint64 removed = 0;    // rows of those earlier quarters
    qint64 skipped = 0;
    int quarters = 0;                          // quarters written
    std::vector<trades::RowProblem> problems;  // the first few skipped rows, with their file
    QStringList problemFiles;                  // the file of each problem
};

// Imports paths (CSV files, or ZIP files holding them) into the trades database at dbPath, making
// it when missing. progress is updated as the work goes on and may be read from another thread.
TradeImportResult ImportTrades(const QStringList& paths, const QString& dbPath,
                               TradeImportProgress& progress);

// The summary shown when an import ends: rows added, replaced, skipped and the first few reasons.
QString TradeImportSummary(const TradeImportResult& result);

// How many skipped rows the result names.
inline constexpr int kTradeProblemsKept = 5;

}  // namespace ie
