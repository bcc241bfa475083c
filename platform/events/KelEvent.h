// A platform event: a number and the argument texts collected for it. Raising
// records it in the program's debug log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KelEvent {
public:
    KelEvent() = default;
    explicit KelEvent(uint64_t number) : number_(number) {}

    KelEvent& operator<<(const char* text) {
        arguments_.emplace_back(text ? text : "");
        return *this;
    }
    KelEvent& operator<<(const std::string& text) { return *this << text.c_str(); }

    void setNumber(uint64_t number) { number_ = number; }
    uint64_t number() const { return number_; }
    const std::vector<std::string>& arguments() const { return arguments_; }
    void clear() { arguments_.clear(); }

    // Writes the event with its arguments as one line under function.
    void raise(const char* function) const;
    // Raises it as an informational event of a job: the event's number
    // becomes eventId, logged with the job and the arguments.
    void InfoEvent(uint64_t eventId, uint64_t jobId, uint64_t flags);

private:
    uint64_t number_ = 0;
    std::vector<std::string> arguments_;
};
