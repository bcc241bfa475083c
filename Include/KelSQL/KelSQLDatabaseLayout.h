// The layout tree of one catalogued database: the database, its file groups
// and their files, each node with its catalogue ids, names and a word of
// layout flags that say whether the row is deleted or gone from the instance
// and whether the node belongs to the file subclient in view.
//
// The nodes are plain values: a copy of a layout is a deep copy of the whole
// tree. Readers see accessors only; every change goes through a writer view
// (the *Internal classes) that works on a copy of its target and writes the
// copy back in one step with update(), so that an edit abandoned half-way
// leaves the caller's tree as it was. A view holds a reference to its target,
// which must outlive it.
#pragma once

#include <cstdint>
#include <list>
#include <string>

class KelSQLDatabaseLayoutFlags {
public:
    static constexpr uint64_t kLogicallyDeleted = 0x01;
    static constexpr uint64_t kClientRemoved = 0x02;
    static constexpr uint64_t kConfigured = 0x04;
    static constexpr uint64_t kFileGroupConfigured = 0x08;
    static constexpr uint64_t kFileConfigured = 0x10;
    static constexpr uint64_t kAddOperation = 0x20;
    static constexpr uint64_t kDeleteOperation = 0x40;
    // One node is in at most one configured state.
    static constexpr uint64_t kStateConfigured = kConfigured | kFileGroupConfigured | kFileConfigured;

    uint64_t layoutFlags() const { return flags_; }
    bool isFlagOn(uint64_t mask) const { return (flags_ & mask) != 0; }
    bool isLogicallyDeleted() const { return isFlagOn(kLogicallyDeleted); }
    bool isClientRemoved() const { return isFlagOn(kClientRemoved); }
    bool isConfigured() const { return isFlagOn(kConfigured); }
    bool isAddOperation() const { return isFlagOn(kAddOperation); }
    bool isDeleteOperation() const { return isFlagOn(kDeleteOperation); }
    bool isStateConfigured() const { return isFlagOn(kStateConfigured); }
    void clear() { flags_ = 0; }

protected:
    friend class KelSQLDatabaseLayoutFlagsInternal;
    uint64_t flags_ = 0;
};

// Writes a flags word: the view's own copy, stored into the target on every
// change. Default-constructed it targets its own word.
class KelSQLDatabaseLayoutFlagsInternal : public KelSQLDatabaseLayoutFlags {
public:
    KelSQLDatabaseLayoutFlagsInternal() : target_(this) {}
    explicit KelSQLDatabaseLayoutFlagsInternal(KelSQLDatabaseLayoutFlags& target) { use(target); }
    KelSQLDatabaseLayoutFlagsInternal(const KelSQLDatabaseLayoutFlagsInternal&) = delete;
    KelSQLDatabaseLayoutFlagsInternal& operator=(const KelSQLDatabaseLayoutFlagsInternal&) = delete;

    void use(KelSQLDatabaseLayoutFlags& target) {
        target_ = &target;
        flags_ = target.layoutFlags();
    }
    void updateFlagsOn(uint64_t mask) { store(flags_ | mask); }
    void updateFlagsOff(uint64_t mask) { store(flags_ & ~mask); }

    void setLogicallyDeletedOn() { updateFlagsOn(kLogicallyDeleted); }
    void setLogicallyDeletedOff() { updateFlagsOff(kLogicallyDeleted); }
    void setClientRemovedOn() { updateFlagsOn(kClientRemoved); }
    void setClientRemovedOff() { updateFlagsOff(kClientRemoved); }
    void setConfiguredOn() { configuredOn(kConfigured); }
    void setConfiguredOff() { updateFlagsOff(kConfigured); }
    void setFileGroupConfiguredOn() { configuredOn(kFileGroupConfigured); }
    void setFileGroupConfiguredOff() { updateFlagsOff(kFileGroupConfigured); }
    void setFileConfiguredOn() { configuredOn(kFileConfigured); }
    void setFileConfiguredOff() { updateFlagsOff(kFileConfigured); }
    void setAddOperationOff() { updateFlagsOff(kAddOperation); }
    void setDeleteOperationOff() { updateFlagsOff(kDeleteOperation); }

private:
    // A node already in one configured state keeps it until that state's bit
    // goes off.
    void configuredOn(uint64_t bit) {
        if (!isStateConfigured()) updateFlagsOn(bit);
    }
    void store(uint64_t word) {
        flags_ = word;
        target_->flags_ = word;
    }

    // The word a change is stored into (this view's own, or the node's).
    KelSQLDatabaseLayoutFlags* target_;
};

class KelSQLDatabaseFile {
public:
    uint64_t sqlFileSubClientGroupId() const { return sqlFileSubClientGroupId_; }
    uint64_t sqlFileId() const { return sqlFileId_; }
    const KelSQLDatabaseLayoutFlags& layoutFlags() const { return flags_; }
    KelSQLDatabaseLayoutFlags& layoutFlags() { return flags_; }
    const std::string& logicalName() const { return logicalName_; }
    const std::string& physicalName() const { return physicalName_; }
    void clear() { *this = KelSQLDatabaseFile(); }

protected:
    uint64_t sqlFileSubClientGroupId_ = 0;
    uint64_t sqlFileId_ = 0;
    KelSQLDatabaseLayoutFlags flags_;
    std::string logicalName_;
    std::string physicalName_;
};

class KelSQLDatabaseFileGroup {
public:
    uint64_t sqlFileSubClientGroupId() const { return sqlFileSubClientGroupId_; }
    uint64_t sqlFileGroupId() const { return sqlFileGroupId_; }
    const KelSQLDatabaseLayoutFlags& layoutFlags() const { return flags_; }
    KelSQLDatabaseLayoutFlags& layoutFlags() { return flags_; }
    const std::string& fileGroupName() const { return fileGroupName_; }
    std::list<KelSQLDatabaseFile>& fileList() { return fileList_; }
    const std::list<KelSQLDatabaseFile>& fileList() const { return fileList_; }
    void clear() { *this = KelSQLDatabaseFileGroup(); }

protected:
    uint64_t sqlFileSubClientGroupId_ = 0;
    uint64_t sqlFileGroupId_ = 0;
    KelSQLDatabaseLayoutFlags flags_;
    std::string fileGroupName_;
    std::list<KelSQLDatabaseFile> fileList_;
};

class KelSQLDatabaseLayout {
public:
    uint64_t sqlDatabaseId() const { return sqlDatabaseId_; }
    uint64_t sqlFileSubClientId() const { return sqlFileSubClientId_; }
    const std::string& databaseName() const { return databaseName_; }
    std::list<KelSQLDatabaseFileGroup>& fileGroupList() { return fileGroupList_; }
    const std::list<KelSQLDatabaseFileGroup>& fileGroupList() const { return fileGroupList_; }
    const KelSQLDatabaseLayoutFlags& layoutFlags() const { return flags_; }
    KelSQLDatabaseLayoutFlags& layoutFlags() { return flags_; }
    void clear() { *this = KelSQLDatabaseLayout(); }

protected:
    uint64_t sqlDatabaseId_ = 0;
    uint64_t sqlFileSubClientId_ = 0;
    std::string databaseName_;
    std::list<KelSQLDatabaseFileGroup> fileGroupList_;
    KelSQLDatabaseLayoutFlags flags_;
};

namespace kelsql::layout {

// What the three node views share: a working copy (the view's base), a
// flags writer bound to the copy's word, and the target written by update().
template <class Node>
class NodeView : public Node {
public:
    NodeView() : target_(this) { flagsView_.use(this->flags_); }
    NodeView(const NodeView&) = delete;
    NodeView& operator=(const NodeView&) = delete;

    void use(Node& target) {
        target_ = &target;
        static_cast<Node&>(*this) = target;
        flagsView_.use(this->flags_);
    }
    // The working copy's flags writer.
    KelSQLDatabaseLayoutFlagsInternal& flags() { return flagsView_; }
    void setLayoutFlags(const KelSQLDatabaseLayoutFlags& flags) {
        flagsView_.updateFlagsOff(~uint64_t{0});
        flagsView_.updateFlagsOn(flags.layoutFlags());
    }
    void clear() {
        Node::clear();
        flagsView_.use(this->flags_);
    }
    void update() {
        if (target_ != this) *target_ = static_cast<const Node&>(*this);
    }

protected:
    Node* target_;
    KelSQLDatabaseLayoutFlagsInternal flagsView_;
};

}  // namespace kelsql::layout

class KelSQLDatabaseFileInternal : public kelsql::layout::NodeView<KelSQLDatabaseFile> {
public:
    KelSQLDatabaseFileInternal() = default;
    explicit KelSQLDatabaseFileInternal(KelSQLDatabaseFile& target) { use(target); }
    void setSqlFileSubClientGroupId(uint64_t id) { sqlFileSubClientGroupId_ = id; }
    void setSqlFileId(uint64_t id) { sqlFileId_ = id; }
    std::string& setLogicalName() { return logicalName_; }
    std::string& setPhysicalName() { return physicalName_; }
};

class KelSQLDatabaseFileGroupInternal : public kelsql::layout::NodeView<KelSQLDatabaseFileGroup> {
public:
    KelSQLDatabaseFileGroupInternal() = default;
    explicit KelSQLDatabaseFileGroupInternal(KelSQLDatabaseFileGroup& target) { use(target); }
    void setSqlFileSubClientGroupId(uint64_t id) { sqlFileSubClientGroupId_ = id; }
    void setSqlFileGroupId(uint64_t id) { sqlFileGroupId_ = id; }
    std::string& setFileGroupName() { return fileGroupName_; }
};

class KelSQLDatabaseLayoutInternal : public kelsql::layout::NodeView<KelSQLDatabaseLayout> {
public:
    explicit KelSQLDatabaseLayoutInternal(KelSQLDatabaseLayout& target) { use(target); }
    void setSqlDatabaseId(uint64_t id) { sqlDatabaseId_ = id; }
    void setSqlFileSubClientId(uint64_t id) { sqlFileSubClientId_ = id; }
    std::string& setDatabaseName() { return databaseName_; }
};
