#include "KelSQL/KelSQLValues.h"

#include "KelSQL/KelSQLErrors.h"
#include "platform/util/FXString.h"

KelSQLStreams::KelSQLStreams() : error_(kelsql::kErrNotLoaded) {}

bool KelSQLStreams::setStreams(int n) {
    streams_ = n;
    if (n > maxStreams_) maxStreams_ = n;
    return true;
}

bool KelSQLStreams::setMaxStreams(int n) {
    if (n < maxStreams_) return false;
    maxStreams_ = n;
    return true;
}

bool KelSQLStreams::setLogStreams(int n) {
    logStreams_ = n;
    return true;
}

void KelSQLWideString::initialize() {
    isSet_ = false;
    text_.clear();
    wideClear();
}

void KelSQLWideString::wideClear() {
    wide_.clear();
    wideLength_ = 0;
}

bool KelSQLWideString::setWideString(const std::string& text) {
    if (text.empty()) {
        initialize();
        return true;
    }
    text_ = text;
    wideClear();
    wide_ = FXString::ToWstring(text_);
    isSet_ = true;
    return true;
}
