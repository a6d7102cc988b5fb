#pragma once

#include <QString>

namespace ie {

class AppError;

// Texts of the messages shown when the reference database does not hold what a dialog needs
// (a table or column gone, a row missing, a Null rate). They name the table so that the user
// knows which part of the reference data to restore.

// "number CR description CR <what failed>".
QString ReferenceReadFailedText(const AppError& error, const QString& table);
// A table that has no rows to choose from.
QString ReferenceTableEmptyText(const QString& table);

}  // namespace ie
