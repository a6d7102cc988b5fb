#include "cli/CommandLine.h"

#include "cli/ExitCodes.h"
#include "cli/Output.h"
#include "cli/PropertyValuer.h"
#include "cli/TradeCommands.h"
#include "cli/ValueReader.h"
#include "common/AppError.h"
#include "common/Formats.h"
#include "platform/QtUiServices.h"
#include "platform/UiServices.h"
#include "records/CalcBreakdown.h"
#include "records/CsvExport.h"
#include "records/ListFigures.h"
#include "records/PrintBatch.h"
#include "report/PdfBook.h"
#include "state/BukkenJoho.h"
#include "state/ModGlobal.h"
#include "state/PropertyColumns.h"
#include "state/PropertyStore.h"
#include "state/Session.h"
#include "state/TradeStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSet>

#include <condition_variable>
#include <cstdio>
#include <cstring>

#include <unistd.h>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace ie::cli {

namespace {

const char* const kCommands[] = {"value", "list", "export", "report", "trades"};

// A message on standard error, one line (the message boxes' CR breaks become spaces).
void Say(const QString& text) {
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\r', u' ');
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
}

void SayError(const QString& text) {
    Say(QStringLiteral("ienedancho: ") + text);
}

QString VersionText() {
    return QStringLiteral("ienedancho %1.%2.%3")
        .arg(IE_VERSION_MAJOR)
        .arg(IE_VERSION_MINOR)
        .arg(IE_VERSION_PATCH);
}

QString HelpText() {
    return QStringLiteral(
        "使い方:\n"
        "  ienedancho                       ウィンドウを開きます\n"
        "  ienedancho value [FILE|-] [--format json|csv] [--output FILE]\n"
        "      保存していない物件を評価します。入力はJSON（1つのオブジェクト、配列、1行に1つ）\n"
        "      またはCSV（見出し行つき、UTF-8かCP932）。FILEがないか「-」なら標準入力。\n"
        "      キー: id valuation_date road_price_year rosenka land_area change_rate\n"
        "            lot_factor structure tsubo_price floor_area_tsubo floor_area_m2 built\n"
        "            asking_land asking_house asking_total\n"
        "            cost_source（national／prefecture） prefecture（都道府県名）\n"
        "            age_count（calendar／nta：国税庁の方法）\n"
        "      財産評価基本通達で計算するキー（どれかがあれば通達の方法で、frontage と\n"
        "      depth が要ります。lot_factor より優先）:\n"
        "            district（普通住宅／普通商業・併用住宅） frontage depth（m）\n"
        "            side1_rosenka side1_depth side1_kind（角地／準角地） side1_contact\n"
        "            side2_rosenka side2_depth side2_kind side2_contact\n"
        "            rear_rosenka rear_depth rear_contact assumed_area（㎡） metro\n"
        "            large_lot_excluded cliff_share（%） cliff_facing（南／東／西／北）\n"
        "            warning_zone_share（%） setback_area（㎡） no_road high_voltage\n"
        "            south_road other_percent\n"
        "            倍率地域: fixed_asset_value と multiplier（rosenka は指定しない）\n"
        "            はい／いいえのキーは JSON では true/false、CSV では 1/0\n"
        "      結果: id lot_factor land_value house_value total sales_ratio warnings\n"
        "            通達の方法ではJSONに steps（計算の各行）と factors（付表と区分）も\n"
        "            （JSONは1行に1件、CSVは見出し行つき。既定はjson）\n"
        "  ienedancho list [--format json|csv]\n"
        "      保存した物件を一覧の列（販売計算比・差額・築年数を含む）で出力します。\n"
        "  ienedancho export --format sjis|utf8 --output FILE\n"
        "      CSVエクスポート（ウィンドウと同じバイト列）を書き出します。\n"
        "  ienedancho report ID... --output FILE.pdf [--breakdown]\n"
        "      指定した物件IDの帳票を、印刷と同じページで1つのPDFに書き出します。\n"
        "  ienedancho trades import FILE...\n"
        "      不動産価格情報のCSVファイル（またはそれを収めたZIPファイル）を取引事例に\n"
        "      取り込み、追加・置き換え・読み飛ばしの件数を表示します。\n"
        "  ienedancho trades compare ID|- [--output FILE]\n"
        "      保存した物件（ID）か標準入力のJSONの物件を取引事例と比べ、JSONで出力します。\n"
        "      キー: city_code（5桁の市区町村コード） town（地区名） valuation_date land_area\n"
        "            asking_total と value の家屋・土地のキー\n"
        "      結果: kind tier count excluded median_price q1_price q3_price\n"
        "            median_price_per_m2 q1_price_per_m2 q3_price_per_m2 asking_ratio\n"
        "            estimate_ratio trades source\n"
        "\n"
        "共通のオプション:\n"
        "  --database FILE   ほかのユーザーデータベースを使います\n"
        "  --help            この説明を表示します\n"
        "  --version         バージョンを表示します\n"
        "\n"
        "例:\n"
        "  echo '{\"id\":\"A\",\"rosenka\":100000,\"land_area\":150}' | ienedancho value\n"
        "  ienedancho value bukken.csv --format csv --output kekka.csv\n"
        "  echo '{\"rosenka\":320000,\"land_area\":110.45,\"frontage\":5.5,\"depth\":20,'\n"
        "'\"district\":\"普通住宅\"}' | ienedancho value\n"
        "  echo '{\"city_code\":\"13112\",\"land_area\":120}' | ienedancho trades compare -\n"
        "\n"
        "終了コード: 0 完了 / 64 使い方の誤り / 65 評価・比較できない行や取り込めない行があった / "
        "\n"
        "  66 入力ファイルがない・読めない / 69 データベースを開けない / 74 書き込みに失敗\n");
}

// The arguments of one command: its words, and the options with their values.
struct Arguments {
    QString command;
    QStringList words;
    QString format;
    QString output;
    QString database;
    bool breakdown = false;
    bool help = false;
    bool version = false;
    QString problem;  // wrong usage
};

Arguments Parse(const QStringList& args) {
    Arguments a;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&](QString& into) {
            if (i + 1 >= args.size() || args[i + 1].isEmpty()) {
                a.problem = arg + QStringLiteral(" のあとに値がありません。");
                return;
            }
            into = args[++i];
        };
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            a.help = true;
        } else if (arg == QStringLiteral("--version")) {
            a.version = true;
        } else if (arg == QStringLiteral("--format")) {
            value(a.format);
        } else if (arg == QStringLiteral("--output")) {
            value(a.output);
        } else if (arg == QStringLiteral("--database")) {
            value(a.database);
        } else if (arg == QStringLiteral("--breakdown")) {
            a.breakdown = true;
        } else if (arg.startsWith(QStringLiteral("--"))) {
            a.problem = QStringLiteral("知らないオプションです: ") + arg;
        } else if (a.command.isEmpty()) {
            a.command = arg;
        } else {
            a.words << arg;
        }
        if (!a.problem.isEmpty())
            break;
    }
    return a;
}

int Usage(const QString& problem) {
    SayError(problem);
    Say(QStringLiteral("使い方は ienedancho --help で表示されます。"));
    return kExitUsage;
}

// The session of a command: the window's files and settings (or --database), upgraded and opened
// as the window opens them.
std::optional<int> StartCommandSession(ModGlobal& g, const Arguments& a, const QDate& today) {
    g.ProgramFolder = QCoreApplication::applicationDirPath();
    if (!a.database.isEmpty() && !QFileInfo(a.database).isFile()) {
        SayError(QStringLiteral("ユーザーデータベース %1 がありません。")
                     .arg(QDir::toNativeSeparators(a.database)));
        return kExitUnavailable;
    }
    try {
        StartSession(
            g, today, [](const QString& notice) { Say(notice); }, a.database);
    } catch (const StartupError& e) {
        for (const QString& text : e.messages())
            SayError(text);
        return kExitUnavailable;
    }
    return std::nullopt;
}

std::optional<int> OpenUserDatabase(ModGlobal& g) {
    bool told = false;
    try {
        // Waits for another copy's save as the window does, and says so once.
        OpenUsrDb(g, [&told](qint64) {
            if (!told)
                Say(BusyNoteText());
            told = true;
        });
    } catch (const AppError& e) {
        SayError(ConnectFailureText(e, QStringLiteral("ユーザーデータベース"), g.UsrDbPath));
        return kExitUnavailable;
    }
    return std::nullopt;
}

std::optional<int> OpenReferenceDatabase(ModGlobal& g) {
    std::optional<AppError> failure;
    if (!ModSysDbOpen(g, &failure)) {
        SayError(failure->messageText());
        return kExitUnavailable;
    }
    return std::nullopt;
}

QByteArray Whole(Currency amount) {
    return FormatWhole(amount).remove(u',').toLatin1();
}

// ---- value ----

// Batches of read records handed from the reading thread to the valuing one, a few at most.
class RecordQueue {
public:
    static constexpr std::size_t kBatch = 256;

    // False when the taker has stopped taking.
    bool push(std::vector<InputRecord>&& batch) {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return batches_.size() < kMaxBatches || cancelled_; });
        if (cancelled_)
            return false;
        batches_.push_back(std::move(batch));
        ready_.notify_one();
        return true;
    }
    // False once every batch has been taken and the reader has finished.
    bool pop(std::vector<InputRecord>& batch) {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return !batches_.empty() || finished_; });
        if (batches_.empty())
            return false;
        batch = std::move(batches_.front());
        batches_.pop_front();
        room_.notify_one();
        return true;
    }
    void finish() {
        std::lock_guard lock(mutex_);
        finished_ = true;
        ready_.notify_one();
    }
    void cancel() {
        std::lock_guard lock(mutex_);
        cancelled_ = true;
        room_.notify_one();
    }

private:
    static constexpr std::size_t kMaxBatches = 8;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::vector<InputRecord>> batches_;
    bool finished_ = false;
    bool cancelled_ = false;
};

QByteArray JsonResult(const ValueResult& r) {
    QByteArray out = "{\"id\":";
    out += r.id ? JsonString(*r.id) : QByteArray("null");
    out += ",\"lot_factor\":";
    out += r.lotFactor ? PlainNumber(*r.lotFactor).toLatin1() : QByteArray("null");
    out += ",\"land_value\":";
    out += r.land ? Whole(*r.land) : QByteArray("null");
    out += ",\"house_value\":";
    out += r.house ? Whole(*r.house) : QByteArray("null");
    out += ",\"total\":";
    out += Whole(r.total);
    out += ",\"sales_ratio\":";
    out += r.salesRatio ? FormatFixed2(*r.salesRatio).toLatin1() : QByteArray("null");
    out += ",\"warnings\":[";
    for (qsizetype i = 0; i < r.warnings.size(); ++i) {
        if (i > 0)
            out += ',';
        out += JsonString(r.warnings[i]);
    }
    out += ']';
    if (r.official) {
        out += ",\"steps\":[";
        for (std::size_t i = 0; i < r.steps.size(); ++i) {
            const official::Line& l = r.steps[i];
            if (i > 0)
                out += ',';
            out += "{\"label\":" + JsonString(l.label) + ",\"formula\":" + JsonString(l.formula) +
                   ",\"yen\":" + QByteArray::number(l.yen) + '}';
        }
        out += "],\"factors\":[";
        for (qsizetype i = 0; i < r.factors.size(); ++i) {
            if (i > 0)
                out += ',';
            out += JsonString(r.factors[i]);
        }
        out += ']';
    }
    out += "}\n";
    return out;
}

QByteArray CsvResult(const ValueResult& r) {
    QByteArray out = CsvField(r.id.value_or(QString())).toUtf8();
    out += ',';
    if (r.lotFactor)
        out += PlainNumber(*r.lotFactor).toLatin1();
    out += ',';
    if (r.land)
        out += Whole(*r.land);
    out += ',';
    if (r.house)
        out += Whole(*r.house);
    out += ',';
    out += Whole(r.total);
    out += ',';
    if (r.salesRatio)
        out += FormatFixed2(*r.salesRatio).toLatin1();
    out += ',';
    out += CsvField(r.warnings.join(u' ')).toUtf8();
    out += '\n';
    return out;
}

int ValueCommand(const Arguments& a) {
    const bool csv = a.format == QStringLiteral("csv");
    if (!a.format.isEmpty() && !csv && a.format != QStringLiteral("json"))
        return Usage(QStringLiteral("--format は json か csv です: ") + a.format);
    if (a.words.size() > 1)
        return Usage(QStringLiteral("入力ファイルは1つだけ指定できます。"));
    if (a.breakdown)
        return Usage(QStringLiteral("--breakdown は report だけのオプションです。"));

    const QString inputPath = a.words.value(0);
    QFile input;
    if (inputPath.isEmpty() || inputPath == QStringLiteral("-")) {
        if (!input.open(stdin, QIODevice::ReadOnly))
            return SayError(QStringLiteral("標準入力を読めません。")), kExitNoInput;
    } else {
        input.setFileName(inputPath);
        if (QFileInfo(inputPath).isDir() || !input.open(QIODevice::ReadOnly)) {
            SayError(QStringLiteral("入力ファイル %1 を読めません（%2）。")
                         .arg(QDir::toNativeSeparators(inputPath),
                              QFileInfo::exists(inputPath) ? QStringLiteral("読み取りできません")
                                                           : QStringLiteral("ありません")));
            return kExitNoInput;
        }
    }

    const QDate today = QDate::currentDate();
    ModGlobal g;
    if (const auto failed = StartCommandSession(g, a, today))
        return *failed;
    if (const auto failed = OpenReferenceDatabase(g))
        return *failed;

    Output out(a.output);
    if (!out.open()) {
        SayError(out.error());
        return kExitWriteFailed;
    }
    if (csv)
        out.write("id,lot_factor,land_value,house_value,total,sales_ratio,warnings\n");

    PropertyValuer valuer(g, today);
    ValueReader reader(input);
    QSet<QString> toldKeys;
    const auto tellUnknown = [&toldKeys](const QString& key, qint64 line) {
        if (toldKeys.contains(key))
            return;
        toldKeys.insert(key);
        Say(QStringLiteral("警告: 行 %1: キー「%2」は知らないキーのため使いません。")
                .arg(line)
                .arg(key));
    };
    // The input is read on a thread of its own while the records before are valued; the queue
    // between them holds a few batches, so that memory stays the same however long the input.
    RecordQueue queue;
    std::thread readerThread([&reader, &queue] {
        std::vector<InputRecord> batch;
        InputRecord record;
        while (reader.next(record)) {
            batch.push_back(std::move(record));
            if (batch.size() == RecordQueue::kBatch) {
                if (!queue.push(std::move(batch)))
                    break;
                batch.clear();
            }
        }
        if (!batch.empty())
            queue.push(std::move(batch));
        queue.finish();
    });
    bool refused = false;
    bool first = true;
    std::vector<InputRecord> batch;
    while (!out.failed() && queue.pop(batch)) {
        if (first) {
            first = false;
            for (const QString& key : reader.unknownColumns())
                tellUnknown(key, 1);
        }
        for (const InputRecord& record : batch) {
            for (const QString& key : record.unknownKeys)
                tellUnknown(key, record.line);
            if (!record.error.isEmpty()) {
                Say(QStringLiteral("行 %1: %2").arg(record.line).arg(record.error));
                refused = true;
                continue;
            }
            const ValueOutcome outcome = valuer.value(record.request);
            if (!outcome.result) {
                Say(QStringLiteral("行 %1: %2").arg(record.line).arg(outcome.refusal));
                refused = true;
                continue;
            }
            out.write(csv ? CsvResult(*outcome.result) : JsonResult(*outcome.result));
        }
    }
    queue.cancel();
    readerThread.join();
    if (!reader.fatal().isEmpty()) {
        Say(reader.fatal());
        refused = true;
    }
    ModSysDbClose(g);
    if (!out.finish()) {
        SayError(out.error());
        return kExitWriteFailed;
    }
    return refused ? kExitDataRefused : kExitOk;
}

// ---- list ----

// The list's columns as the list window shows them, with the three worked out from them right
// after our estimate.
struct ListOutColumn {
    QString title;
    int stored = -1;
    enum class Worked { None, Ratio, Difference, Age } worked = Worked::None;
};

std::vector<ListOutColumn> ListOutColumns() {
    std::vector<ListOutColumn> out;
    const std::vector<ListColumn>& stored = PropertyStore::listColumns();
    for (size_t i = 0; i < stored.size(); ++i) {
        const PropertyColumn& c = *stored[i].column;
        if (c.list != InList::Shown || stored[i].type == db::FieldType::Blob)
            continue;
        out.push_back({c.title(), static_cast<int>(i)});
        if (stored[i].name == QStringLiteral("合計価格")) {
            out.push_back({QStringLiteral("販売計算比"), -1, ListOutColumn::Worked::Ratio});
            out.push_back({QStringLiteral("差額"), -1, ListOutColumn::Worked::Difference});
            out.push_back({QStringLiteral("築年数"), -1, ListOutColumn::Worked::Age});
        }
    }
    return out;
}

// A value for the output: the number or text, or nullopt for none; number tells JSON to write it
// bare.
struct Cell {
    std::optional<QString> text;
    bool number = false;
};

Cell StoredCell(const ListColumn& column, const db::Value& v) {
    if (v.isNull())
        return {};
    switch (column.type) {
        case db::FieldType::Currency:
            if (const auto a = AmountOf(v))
                return {a->wholeText().remove(u','), true};
            return {};
        case db::FieldType::Integer:
        case db::FieldType::Double:
            if (const auto d = v.toDouble())
                return {PlainNumber(*d), true};
            return {};
        case db::FieldType::Date:
            if (const auto d = v.toDate(); d && d->isValid())
                return {d->toString(Qt::ISODate), false};
            return {};
        case db::FieldType::Text:
        case db::FieldType::Other:
            return {v.toText(), false};
        case db::FieldType::Blob:
            break;
    }
    return {};
}

int ListCommand(const Arguments& a) {
    const bool csv = a.format == QStringLiteral("csv");
    if (!a.format.isEmpty() && !csv && a.format != QStringLiteral("json"))
        return Usage(QStringLiteral("--format は json か csv です: ") + a.format);
    if (!a.words.isEmpty() || !a.output.isEmpty() || a.breakdown)
        return Usage(QStringLiteral("list が受け付けるのは --format と --database だけです。"));

    ModGlobal g;
    if (const auto failed = StartCommandSession(g, a, QDate::currentDate()))
        return *failed;
    if (const auto failed = OpenUserDatabase(g))
        return *failed;

    const std::vector<ListOutColumn> columns = ListOutColumns();
    const std::vector<ListColumn>& stored = PropertyStore::listColumns();
    const int asking = PropertyStore::listColumnIndex(QStringLiteral("合計販売価格"));
    const int estimate = PropertyStore::listColumnIndex(QStringLiteral("合計価格"));
    const int built = PropertyStore::listColumnIndex(QStringLiteral("家屋建築年月日"));
    const int valued = PropertyStore::listColumnIndex(QStringLiteral("評価年月日"));
    const int unitPrice = PropertyStore::listColumnIndex(QStringLiteral("坪単価"));
    const int floorArea = PropertyStore::listColumnIndex(QStringLiteral("延床面積"));

    Output out{QString()};
    if (csv) {
        QStringList titles{QStringLiteral("物件ID")};
        for (const ListOutColumn& c : columns)
            titles << CsvField(c.title);
        out.write(titles.join(u',').toUtf8() + '\n');
    }
    try {
        PropertyStore store(g.UsrDbCon);
        const std::vector<qint32> ids = store.ids();
        // A block of rows at a time, as the list window reads them.
        constexpr size_t kBlock = 256;
        for (size_t from = 0; from < ids.size() && !out.failed(); from += kBlock) {
            const size_t to = std::min(ids.size(), from + kBlock) - 1;
            for (const ListRow& row : store.listRows(ids[from], ids[to])) {
                const auto& v = row.values;
                // The ID first: what report and the window's list take.
                QByteArray line =
                    csv ? QByteArray::number(row.id) : "{\"物件ID\":" + QByteArray::number(row.id);
                for (const ListOutColumn& c : columns) {
                    Cell cell;
                    switch (c.worked) {
                        case ListOutColumn::Worked::None:
                            cell = StoredCell(stored[static_cast<size_t>(c.stored)],
                                              v[static_cast<size_t>(c.stored)]);
                            break;
                        case ListOutColumn::Worked::Ratio:
                            if (const auto r = RatioOf(v[size_t(asking)], v[size_t(estimate)]))
                                cell = {FormatFixed2(*r), true};
                            break;
                        case ListOutColumn::Worked::Difference:
                            if (const auto d = DifferenceOf(v[size_t(asking)], v[size_t(estimate)]))
                                cell = {d->wholeText().remove(u','), true};
                            break;
                        case ListOutColumn::Worked::Age:
                            if (const auto y = AgeOf(v[size_t(built)], v[size_t(valued)],
                                                     v[size_t(unitPrice)], v[size_t(floorArea)]))
                                cell = {QString::number(*y), true};
                            break;
                    }
                    line += ',';
                    if (csv) {
                        if (cell.text)
                            line += CsvField(*cell.text).toUtf8();
                        continue;
                    }
                    line += JsonString(c.title) + ':';
                    if (!cell.text)
                        line += "null";
                    else if (cell.number)
                        line += cell.text->toLatin1();
                    else
                        line += JsonString(*cell.text);
                }
                line += csv ? "\n" : "}\n";
                out.write(line);
            }
        }
    } catch (const AppError& e) {
        out.flush();
        SayError(e.messageText());
        return kExitUnavailable;
    }
    ModUsrDbClose(g);
    if (!out.finish()) {
        SayError(out.error());
        return kExitWriteFailed;
    }
    return kExitOk;
}

// An output over one of the files the program holds open is refused, as the window's export does.
std::optional<int> RefuseOwnFile(const ModGlobal& g, const QString& output) {
    const QString own = OwnFileAt(g, output);
    if (own.isEmpty())
        return std::nullopt;
    SayError(QStringLiteral("いえねだん帳が使用している%1には書き出せません: %2")
                 .arg(own, QDir::toNativeSeparators(output)));
    return kExitWriteFailed;
}

// ---- export ----

int ExportCommand(const Arguments& a) {
    const CsvFormat* format = nullptr;
    if (a.format == QStringLiteral("sjis"))
        format = &CsvShiftJis();
    else if (a.format == QStringLiteral("utf8"))
        format = &CsvUtf8();
    else
        return Usage(QStringLiteral("export には --format sjis か --format utf8 が要ります。"));
    if (a.output.isEmpty() || a.output == QStringLiteral("-"))
        return Usage(QStringLiteral("export には --output FILE が要ります。"));
    if (!a.words.isEmpty() || a.breakdown)
        return Usage(
            QStringLiteral("export が受け付けるのは --format, --output と --database "
                           "だけです。"));

    ModGlobal g;
    if (const auto failed = StartCommandSession(g, a, QDate::currentDate()))
        return *failed;
    if (const auto refused = RefuseOwnFile(g, a.output))
        return *refused;
    if (const auto failed = OpenUserDatabase(g))
        return *failed;
    const CsvExportResult result = ExportCsv(g.UsrDbCon, a.output, *format, StructureNamesFrom(g));
    ModUsrDbClose(g);
    if (!result.ok) {
        SayError(result.error);
        return result.writeFailed ? kExitWriteFailed : kExitUnavailable;
    }
    Say(QStringLiteral("%1件の物件を書き出しました。").arg(result.rows));
    if (result.unmappable > 0) {
        Say(QStringLiteral("Shift-JISで表せない文字が%1文字あったため、「?」に置き換えました。")
                .arg(result.unmappable));
    }
    return kExitOk;
}

// ---- report ----

int ReportCommand(const Arguments& a) {
    if (a.output.isEmpty() || a.output == QStringLiteral("-"))
        return Usage(QStringLiteral("report には --output FILE.pdf が要ります。"));
    if (!a.format.isEmpty())
        return Usage(QStringLiteral("report に --format はありません。"));
    if (a.words.isEmpty())
        return Usage(QStringLiteral("report には物件IDが要ります。"));
    std::vector<qint32> ids;
    for (const QString& w : a.words) {
        bool ok = false;
        const int id = w.toInt(&ok);
        if (!ok || id <= 0)
            return Usage(QStringLiteral("物件IDは1以上の整数です: ") + w);
        ids.push_back(id);
    }

    const QDate today = QDate::currentDate();
    ModGlobal g;
    if (const auto failed = StartCommandSession(g, a, today))
        return *failed;
    if (const auto refused = RefuseOwnFile(g, a.output))
        return *refused;
    if (const auto failed = OpenUserDatabase(g))
        return *failed;
    if (a.breakdown) {
        if (const auto failed = OpenReferenceDatabase(g))
            return *failed;
    }
    InstallFontSubstitutions();

    PdfBook book(a.output);
    if (!book.open()) {
        SayError(book.error());
        return kExitWriteFailed;
    }
    QStringList failures;
    PrintProperties(book, g, ids, a.breakdown, today, failures);
    ModSysDbClose(g);
    ModUsrDbClose(g);
    for (const QString& f : failures)
        SayError(f);
    if (!book.error().isEmpty()) {
        SayError(book.error());
        return kExitWriteFailed;
    }
    if (book.pageCount() == 0) {
        SayError(QStringLiteral("印刷できる物件がないため、PDFは作りませんでした。"));
        return kExitDataRefused;
    }
    if (!book.finish()) {
        SayError(book.error());
        return kExitWriteFailed;
    }
    Say(QStringLiteral("%1件の物件を%2ページのPDFに書き出しました。")
            .arg(ids.size() - static_cast<size_t>(failures.size()))
            .arg(book.pageCount()));
    return failures.isEmpty() ? kExitOk : kExitDataRefused;
}

// ---- trades ----

int TradesImportCommand(const Arguments& a) {
    const QStringList paths = a.words.mid(1);
    if (paths.isEmpty())
        return Usage(
            QStringLiteral("trades import には取り込むCSVファイルかZIPファイルが要ります。"));
    if (!a.format.isEmpty() || !a.output.isEmpty())
        return Usage(QStringLiteral("trades import に --format と --output はありません。"));
    for (const QString& p : paths) {
        if (!QFileInfo(p).isFile()) {
            SayError(
                QStringLiteral("入力ファイル %1 がありません。").arg(QDir::toNativeSeparators(p)));
            return kExitNoInput;
        }
    }
    const QDate today = QDate::currentDate();
    ModGlobal g;
    if (const auto failed = StartCommandSession(g, a, today))
        return *failed;
    // Progress only for a person watching: a redirected standard error keeps just the counts.
    std::function<void(const QString&)> progress;
    if (isatty(fileno(stderr))) {
        progress = [](const QString& text) {
            const QByteArray bytes = "\r\033[K" + text.toUtf8();
            std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        };
    }
    bool shown = false;
    const int code = ImportTradeFiles(
        paths, g.TradesDbPath,
        progress ? std::function<void(const QString&)>([&](const QString& text) {
            shown = true;
            progress(text);
        })
                 : progress,
        [&shown](const QString& line) {
            if (shown) {
                std::fputs("\r\033[K", stderr);
                shown = false;
            }
            const QByteArray bytes = line.toUtf8() + '\n';
            std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        });
    if (std::fflush(stdout) != 0)
        return kExitWriteFailed;
    return code;
}

int TradesCompareCommand(const Arguments& a) {
    if (a.words.size() != 2)
        return Usage(
            QStringLiteral("trades compare には物件IDか「-」（標準入力のJSON）を1つ指定します。"));
    if (!a.format.isEmpty() && a.format != QStringLiteral("json"))
        return Usage(QStringLiteral("trades compare の --format は json だけです: ") + a.format);
    const QString which = a.words[1];
    const bool fromInput = which == QStringLiteral("-");
    qint32 id = 0;
    if (!fromInput) {
        bool ok = false;
        id = which.toInt(&ok);
        if (!ok || id <= 0)
            return Usage(QStringLiteral("物件IDは1以上の整数です: ") + which);
    }

    const QDate today = QDate::currentDate();
    ModGlobal g;
    if (const auto failed = StartCommandSession(g, a, today))
        return *failed;
    if (!QFileInfo::exists(g.TradesDbPath)) {
        SayError(QStringLiteral("取引事例がまだ取り込まれていません（%1）。ienedancho trades "
                                "import で取り込んでください。")
                     .arg(QDir::toNativeSeparators(g.TradesDbPath)));
        return kExitUnavailable;
    }
    BukkenJoho rec;
    if (fromInput) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return SayError(QStringLiteral("標準入力を読めません。")), kExitNoInput;
        ValueReader reader(input);
        InputRecord record;
        if (!reader.next(record)) {
            SayError(reader.fatal().isEmpty() ? QStringLiteral("標準入力に物件がありません。")
                                              : reader.fatal());
            return kExitDataRefused;
        }
        if (!record.error.isEmpty()) {
            SayError(QStringLiteral("行 %1: ").arg(record.line) + record.error);
            return kExitDataRefused;
        }
        for (const QString& key : record.unknownKeys)
            Say(QStringLiteral("知らないキーは使いません: ") + key);
        if (const auto failed = OpenReferenceDatabase(g))
            return *failed;
        PropertyValuer valuer(g, today);
        QString why;
        const std::optional<BukkenJoho> made =
            ComparisonRecord(valuer, record.request, today, &why);
        ModSysDbClose(g);
        if (!made) {
            SayError(QStringLiteral("行 %1: ").arg(record.line) + why);
            return kExitDataRefused;
        }
        rec = *made;
    } else {
        if (const auto failed = OpenUserDatabase(g))
            return *failed;
        try {
            PropertyStore store(g.UsrDbCon);
            const std::optional<StoredProperty> row = store.load(id, StartRecord(today), today);
            ModUsrDbClose(g);
            if (!row) {
                SayError(QStringLiteral("物件ID %1 の物件はありません。").arg(id));
                return kExitDataRefused;
            }
            rec = row->record;
        } catch (const AppError& e) {
            ModUsrDbClose(g);
            SayError(e.messageText());
            return kExitUnavailable;
        }
    }

    QString why;
    const std::optional<ComparisonSubject> subject = SubjectOf(rec, &why);
    if (!subject) {
        SayError(QStringLiteral("相場比較ができません。") + why);
        return kExitDataRefused;
    }
    ComparisonResult result;
    try {
        db::Connection con;
        OpenTradesDb(con, g.TradesDbPath, false);
        result = CompareWithTrades(con, *subject);
    } catch (const AppError& e) {
        SayError(e.messageText());
        return kExitUnavailable;
    }
    Output out(a.output);
    if (!out.open()) {
        SayError(out.error());
        return kExitWriteFailed;
    }
    out.write(ComparisonJson(result));
    if (!out.finish()) {
        SayError(out.error());
        return kExitWriteFailed;
    }
    return kExitOk;
}

int TradesCommand(const Arguments& a) {
    const QString sub = a.words.value(0);
    if (sub == QStringLiteral("import"))
        return TradesImportCommand(a);
    if (sub == QStringLiteral("compare"))
        return TradesCompareCommand(a);
    return Usage(QStringLiteral("trades のあとには import か compare を指定します。"));
}

}  // namespace

BukkenJoho StartRecord(const QDate& today) {
    BukkenJoho rec;
    ModClearGlobal(rec);
    rec.KeijoHosei = 1.0;
    rec.RosenkaNendo = PropertyValuer::DefaultRoadPriceYear(today);
    rec.HyokaDate = today;
    return rec;
}

bool PrintProperties(ReportPrinter& printer, ModGlobal& g, const std::vector<qint32>& ids,
                     bool breakdown, const QDate& today, QStringList& failures) {
    PropertyStore store(g.UsrDbCon);
    const BukkenJoho base = StartRecord(today);
    BreakdownMaker maker;
    if (breakdown)
        maker = [&g](const BukkenJoho& rec) { return MakeBreakdown(g, rec); };
    const StructureNamer names = StructureNamesFrom(g);
    for (const qint32 id : ids) {
        try {
            if (PrintStoredRow(printer, store, id, base, today, maker, names) ==
                PrintOutcome::NoPrinter)
                return false;
        } catch (const AppError& e) {
            QString text = e.context() + QStringLiteral("を印刷できませんでした。");
            if (!e.description().isEmpty())
                text += u' ' + e.description();
            failures << text;
            if (!printer.hasPrinter())
                return false;
        }
    }
    return true;
}

bool IsCommandLine(int argc, char** argv) {
    if (argc < 2)
        return false;
    for (const char* c : kCommands) {
        if (std::strcmp(argv[1], c) == 0)
            return true;
    }
    return std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
           std::strcmp(argv[1], "--version") == 0;
}

int RunCommandLine(int argc, char** argv) {
    const bool draws = argc > 1 && std::strcmp(argv[1], "report") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (draws) {
        // The report draws with fonts but never shows anything: no display is needed or used.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("ienedancho"));

    const Arguments a = Parse(QCoreApplication::arguments());
    if (a.help) {
        const QByteArray text = HelpText().toUtf8();
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
    }
    if (a.version) {
        const QByteArray text = VersionText().toUtf8() + '\n';
        std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
    }
    if (!a.problem.isEmpty())
        return Usage(a.problem);
    if (a.command == QStringLiteral("value"))
        return ValueCommand(a);
    if (a.command == QStringLiteral("list"))
        return ListCommand(a);
    if (a.command == QStringLiteral("export"))
        return ExportCommand(a);
    if (a.command == QStringLiteral("report"))
        return ReportCommand(a);
    if (a.command == QStringLiteral("trades"))
        return TradesCommand(a);
    return Usage(QStringLiteral("知らないコマンドです: ") + a.command);
}

}  // namespace ie::cli
