-- The user database: one row per saved property. Declared types tell the database layer how to
-- convert: CURRENCY is stored as INTEGER ten-thousandths of a yen, DATE as ISO text yyyy-MM-dd.
-- Large pages: a site photo of several megabytes is written and read in a few hundred pages
-- instead of thousands, which makes saving and loading one markedly faster.
PRAGMA page_size = 65536;
CREATE TABLE 物件情報 (
    物件ID INTEGER PRIMARY KEY,
    国税路線価 CURRENCY,
    敷地面積 DOUBLE,
    側1路線ランク INTEGER,
    側2路線ランク INTEGER,
    裏面路線ランク INTEGER,
    無道路地ランク INTEGER,
    南道路ランク INTEGER,
    その他ランク INTEGER,
    間口狭小ランク INTEGER,
    奥行長大ランク INTEGER,
    不整形ランク INTEGER,
    崖地ランク INTEGER,
    高圧線下ランク INTEGER,
    年間地価変動率 DOUBLE,
    画地補正率 DOUBLE,
    敷地評価額 CURRENCY,
    坪単価 DOUBLE,
    延床面積 DOUBLE,
    家屋建築年月日 DATE,
    家屋評価額 CURRENCY,
    評価年月日 DATE,
    住所 TEXT,
    販売会社名 TEXT,
    担当者名 TEXT,
    電話番号 TEXT,
    敷地販売価格 CURRENCY,
    家屋販売価格 CURRENCY,
    合計販売価格 CURRENCY,
    備考 TEXT,
    現場写真 BLOB
);

-- Counting the saved properties at every start reads this small index instead of every row.
CREATE INDEX 物件情報_物件ID ON 物件情報 (物件ID);
