#pragma once

#include <QDate>

namespace server {

class Database;

// True when the database already holds branches (a demo data set or real data).
bool hasData(Database& db);

// Fills an empty database with a demonstration data set relative to `today`: two branches,
// clients of both person types, their services, billed days for the last three months,
// apportioned days that add up and some that do not, an earlier month calculated and
// locked and a later one calculated and still open; and the demo's users (users.h).
void loadDemoData(Database& db, QDate today);

} // namespace server
