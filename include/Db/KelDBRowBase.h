// The typed schema row of a catalogue object: its name and kind, one value
// object per column, keys, identity column and foreign keys. The class-wide
// part of each schema class is built once per process, under one semaphore
// shared by all schema classes; every object owns its value objects.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/db/KelDBDataType.h"
#include "Db/KelDBFamily.h"

class KelSimpleDBSem;

class KelDBRowBase {
public:
    KelDBRowBase();
    virtual void lock();
    virtual void unLock();
    virtual ~KelDBRowBase();
    KelDBRowBase(const KelDBRowBase&) = delete;

    virtual std::string getColumnName(int const& i);
    virtual std::vector<KelDBDataTypeBase*> getData();
    virtual int getSerialColNum() = 0;
    virtual std::string getTableName() = 0;
    virtual std::string getPrimaryWhere() = 0;
    virtual std::vector<KelDBDataTypeBase*> getPrimaryData() = 0;
    virtual std::string getStructDef() { return std::string(); }
    virtual void setTableName(std::string name) = 0;
    virtual const char* getColumnName_t2(int const& i) const = 0;
    virtual void pushColumnName(char const* name) = 0;
    virtual int getHeaderType() { return -1; }
    // Kept for callers: no schema row searches its keys, and assigning one copies nothing.
    virtual bool searchForeignKey(std::string) { return false; }
    virtual KelDBRowBase& operator=(KelDBRowBase&) { return *this; }

    using ForeignKeyMap = std::map<std::string, std::map<std::string, std::string>>;
    // Remote table -> (local column -> remote column).
    virtual ForeignKeyMap getForeignKeyMap() { return ForeignKeyMap(); }

    // The type string with every x written as b.
    static std::string fillForTime(char const* types);
    // Loads the value objects from a row struct of that size (the layout
    // the schema was built from says where each field is).
    void populate(void* row, unsigned long size);

    // The semaphore that guards every class-wide build; the library owns it.
    static KelSimpleDBSem* s_semColumnVec;

protected:
    // Creates the value objects of the columns, in column order.
    void makeValues(const DBColumnLayout& layout);
    static std::string typeString(const DBColumnLayout& layout);
    static ForeignKeyMap foreignKeyMap(const KelDBFamily& family);
    static int indexOf(const std::vector<std::string>& names, const std::string& name);
    std::string primaryWhere() const;
    std::vector<KelDBDataTypeBase*> primaryData();

    char m_flag = 0;  // set by every schema class; nothing reads it
    std::map<std::string, KelDBDataTypeBase*> m_columnMap;
    std::vector<KelDBDataTypeBase*> m_values;
    std::string m_serialName;
    std::vector<std::string> m_primaryKeys;
    KelSimpleDBSem* m_ownSem = nullptr;  // made and deleted with the row; no lock uses it
    const DBColumnLayout* m_layout = nullptr;
    bool m_heldSem = false;  // lock() took s_semColumnVec (else the fallback)
    uint64_t m_word = 0;  // kept for the row's layout; nothing reads it
};

// The schema class of one family: Sql<X>_t2 derives from KelDBSchema<Desc>.
template <class Desc>
class KelDBSchema : public KelDBRowBase {
public:
    KelDBSchema() {
        m_flag = 1;
        const KelDBFamily& f = Desc::family;
        makeValues(*f.layout);
        // Tested again under the lock: a second thread that waited finds the
        // part already built.
        if (s_isInitialized.load(std::memory_order_acquire) != 1) {
            lock();
            if (s_isInitialized.load(std::memory_order_relaxed) != 1) {
                setTableName(f.stem);
                m_type = f.layout->kind;
                structSchema = fillForTime(typeString(*f.layout).c_str());
                m_foreignKeyMap = foreignKeyMap(f);
                for (int i = 0; i < f.layout->columnCount; ++i) pushColumnName(f.layout->columns[i].name);
                s_buildCount.fetch_add(1);
                s_isInitialized.store(1, std::memory_order_release);
            }
            unLock();
        }
        for (int k = 0; k < f.layout->keyCount; ++k) m_primaryKeys.push_back(f.layout->keyColumns[k]);
        if (f.layout->identityColumn >= 0) m_serialName = "id";
    }

    int getSerialColNum() override { return indexOf(m_staticColumnVec, m_serialName); }
    std::string getTableName() override { return m_name; }
    std::string getPrimaryWhere() override { return primaryWhere(); }
    std::vector<KelDBDataTypeBase*> getPrimaryData() override { return primaryData(); }
    std::string getStructDef() override { return structSchema; }
    void setTableName(std::string name) override { m_name = std::move(name); }
    const char* getColumnName_t2(int const& i) const override {
        return i >= 0 && size_t(i) < m_staticColumnVec.size() ? m_staticColumnVec[size_t(i)].c_str() : "";
    }
    void pushColumnName(char const* name) override { m_staticColumnVec.push_back(name); }
    int getHeaderType() override { return m_type; }
    ForeignKeyMap getForeignKeyMap() override { return m_foreignKeyMap; }

    // How many times this class's class-wide part was built (once).
    static int buildCount() { return s_buildCount.load(); }
    static const std::vector<std::string>& staticColumns() { return m_staticColumnVec; }

private:
    static inline std::string m_name;
    static inline int m_type = 0;
    static inline std::string structSchema;
    static inline std::vector<std::string> m_staticColumnVec;
    static inline ForeignKeyMap m_foreignKeyMap;
    static inline std::atomic<unsigned char> s_isInitialized{0};
    static inline std::atomic<int> s_buildCount{0};
};
