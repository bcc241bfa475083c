#include "platform/events/KelEvent.h"

#include <cstdio>

#include "platform/events/KelDebug.h"

void KelEvent::raise(const char* function) const {
    char head[40];
    snprintf(head, sizeof(head), "event 0x%08llX", static_cast<unsigned long long>(number_));
    std::string text = head;
    for (const std::string& a : arguments_) {
        text += " | ";
        text += a;
    }
    KelDebug::Error(function, text.c_str());
}

void KelEvent::InfoEvent(uint64_t eventId, uint64_t jobId, uint64_t) {
    number_ = eventId;
    char head[64];
    snprintf(head, sizeof(head), "info event 0x%08llX job %llu", static_cast<unsigned long long>(eventId),
             static_cast<unsigned long long>(jobId));
    std::string text = head;
    for (const std::string& a : arguments_) {
        text += " | ";
        text += a;
    }
    KelDebug::Debug("KelEvent::InfoEvent", text.c_str());
}
