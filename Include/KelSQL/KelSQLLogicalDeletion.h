// Two small views shared by the catalogue records: the in-memory delete flag
// of a record (its stored marker is written by the owner's updateDeleteFlag)
// and one or more bits of a flags word that the owner keeps.
#pragma once

#include "platform/events/KelLastError.h"

class KelSQLClassProperties;

class KelSQLLogicalDeletion {
public:
    // Not deleted; the context is the owner's and outlives this object.
    explicit KelSQLLogicalDeletion(KelSQLClassProperties& context);

    bool isDeleted() const { return deleted_; }
    void setDelete() { deleted_ = true; }
    void setUndelete() { deleted_ = false; }
    KelLastError& getLastError() { return error_; }

private:
    [[maybe_unused]] KelSQLClassProperties& context_;  // the owner's; kept, nothing here reads it
    KelLastError error_;
    bool deleted_ = false;
};

// Holds the word's address, never a copy: the view always sees the owner's
// current value. The word must outlive the view. Nothing clears the bits
// through a view; owners clear them in the word.
class KelSQLBitFlag {
public:
    KelSQLBitFlag(unsigned long& word, unsigned long mask) : word_(word), mask_(mask) {}
    KelSQLBitFlag(const KelSQLBitFlag&) = delete;
    KelSQLBitFlag& operator=(const KelSQLBitFlag&) = delete;

    void enable() { word_ |= mask_; }
    bool isOn() const { return (word_ & mask_) != 0; }
    unsigned long mask() const { return mask_; }

private:
    unsigned long& word_;
    unsigned long mask_;
};
