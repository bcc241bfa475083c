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
