// The machine registry: one small ini file per machine under the platform home
// (registry/<machine>.ini), in sections of "key = value" lines. Every call
// reads the file anew; writes replace it whole under a file lock, so several
// processes of one machine can share it.
#pragma once

#include <string>
#include <utility>
#include <vector>

class KelRegistry {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // A usable machine name: not empty, no '/', no leading '.', at most 255 bytes.
    static bool validMachineName(const std::string& machine);
    static std::string filePath(const std::string& machine);

    static bool machineExists(const std::string& machine);
    // Creates an empty registry for the machine when it has none.
    static bool createMachine(const std::string& machine);
    static bool removeMachine(const std::string& machine);

    // The value, or fallback when the machine, section or key is missing.
    static std::string get(const std::string& machine, const std::string& section,
                           const std::string& key, const std::string& fallback = "");
    static bool has(const std::string& machine, const std::string& section, const std::string& key);
    // Sets a value, creating the machine's file and the section as needed.
    static bool set(const std::string& machine, const std::string& section,
                    const std::string& key, const std::string& value);
    static bool remove(const std::string& machine, const std::string& section, const std::string& key);
    static Entries section(const std::string& machine, const std::string& section);
    static bool removeSection(const std::string& machine, const std::string& section);
    static std::vector<std::string> sections(const std::string& machine);
};
