#pragma once

// The database layer over SQLite: errors, values, the connection with its transactions, and
// statements with checked binds.
#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/Statement.h"
#include "platform/db/Value.h"
