// The catalogue's two collations. The engine registers them on every
// connection, and the loadable extension (platform/db/extension) registers
// the same functions in a stock sqlite3 shell, so that a catalogue can be
// checked and read outside the library. Both take SQLite's collation
// signature; neither needs SQLite itself.
#pragma once

namespace kel::db {

inline constexpr const char* kTextCollation = "KELTEXT";
inline constexpr const char* kLsnCollation = "KELLSN";

// Text as SQL Server's default collation compares it: without regard to
// case or trailing blanks.
int compareText(void*, int lenA, const void* a, int lenB, const void* b);

// LSNs: decimal digit strings of differing lengths; the shorter is the
// smaller, equal lengths compare bytewise.
int compareLsn(void*, int lenA, const void* a, int lenB, const void* b);

}  // namespace kel::db
