// The ids a peer's request carries belong to the names (or ids) it carries
// beside them. A row written under a parent its names do not designate
// belongs to another client: that client's lists and browse would show it.
// Internal to the library.
#pragma once

#include <cstdint>
#include <string>

#include "KelSQL/KelSQLClassProperties.h"
#include "platform/events/KelLastError.h"

namespace kelsql::record {

// What a request names its parent by, outermost first: an instance by its
// client's and its own name, a database by those and its name, a file group
// by those and its name. The kind says how many of the names it takes.
struct ParentNames {
    enum Kind { Instance = 2, Database = 3, FileGroup = 4 };
    Kind kind;
    std::string client, server, database, fileGroup;

    // Whether the request gives any name of its kind: one that gives none is
    // taken by its ids alone.
    bool given() const;
};

// The catalogue id of the parent names designates. Every name of its kind is
// required and must fit its wire field (0x1E000037 naming it); without the
// Ostrel's Tessel, the platform's own number, else 0x1E000036 with signature
// and where. code keeps the database's answer (100: no such row).
bool parentByNames(KelLastError& err, KelSQLClassProperties& ctx, const ParentNames& names, const char* where,
                   const char* signature, unsigned long& id, long long& code);

// sent: the parent id a request carries; designated: the parent that what it
// carries beside it (designatedBy, named in the error) resolves to. A sent 0
// takes the designated id; any other id must be it, else 0x1E000037 naming
// field and false. Run before the first write, so that a refused request
// leaves nothing written.
bool ownParentId(KelLastError& err, uint64_t& sent, unsigned long designated, const char* field,
                 const char* designatedBy, const char* signature);

// Both of the above: the names designate the parent, and the id sent beside
// them must be it (or 0, which takes it).
bool parentOfNames(KelLastError& err, KelSQLClassProperties& ctx, const ParentNames& names, uint64_t& sent,
                   const char* field, const char* signature, long long& code);

// 0x1E000037 for a value that is set but does not match what it must:
// field, signature, what it is held against and how they differ.
bool valueMismatch(KelLastError& err, const char* field, const char* signature, const std::string& against,
                   const std::string& detail);

}  // namespace kelsql::record
