#pragma once

#include <QString>

namespace ie {

// The settings file with the semantics of the Windows profile functions: CP932 text, CR LF lines,
// section and key names matched without regard to ASCII case, spaces around names and values
// trimmed, other lines kept byte for byte.
namespace ini {

// The value of key in section, or an empty text (file, section or key missing, empty value).
// A value longer than 254 CP932 bytes is cut to 254 bytes (never inside a double-byte character).
QString ReadString(const QString& filePath, const QString& section, const QString& key);

enum class WriteResult { Ok, Unrepresentable, Failed };
// Writes key=value into section, creating the file, the section or the key as needed and replacing
// an earlier value; everything else in the file stays as it was. The new content is written to a
// new file beside the old one and renamed over it, so a failure never leaves a half-written file.
// A value that CP932 cannot represent exactly, or that a read would hand back changed (longer than
// 254 bytes, spaces at either end, enclosed in quotes), is refused (Unrepresentable) and nothing
// is written.
WriteResult WriteString(const QString& filePath, const QString& section, const QString& key,
                        const QString& value, QString* errorText = nullptr);

}  // namespace ini

// The two settings-file modules of the program: section "DB_PATH", key "DB_PATH1".
QString ModReadIniFile(const QString& filePath);
ini::WriteResult ModWriteIniFile(const QString& filePath, const QString& folder,
                                 QString* errorText = nullptr);

// Everything the program remembers besides the database folder (window sizes, last folders, report
// choices) lives in one section of its own, "OPTIONS", so that the "DB_PATH" lines stay byte for
// byte. An empty text when the file, the section or the key is missing.
QString ModReadOption(const QString& filePath, const QString& key);
ini::WriteResult ModWriteOption(const QString& filePath, const QString& key, const QString& value,
                                QString* errorText = nullptr);

// Whether reports carry their second page, 計算の内訳: key "BREAKDOWN" of the options, "1" or
// "0" (files written before the options section have it in section "PRINT"). On unless the file
// says "0", so that a missing file or key keeps the page.
bool ModReadBreakdownChoice(const QString& filePath);
ini::WriteResult ModWriteBreakdownChoice(const QString& filePath, bool on,
                                         QString* errorText = nullptr);
// Whether reports carry the page 相場比較 when there is one: key "SOUBA" of the options, "1" or
// "0"; on unless the file says "0", as the breakdown.
bool ModReadSoubaChoice(const QString& filePath);
ini::WriteResult ModWriteSoubaChoice(const QString& filePath, bool on,
                                     QString* errorText = nullptr);

}  // namespace ie
