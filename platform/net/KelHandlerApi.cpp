#include "platform/net/KelHandlerApi.h"

#include "platform/net/CKelNetwork.h"

extern "C" void* kelSessionGetState(void* session) {
    return session ? static_cast<CKelNetwork*>(session)->state() : nullptr;
}

extern "C" int kelSessionSetState(void* session, void* state, KelSessionStateDestructor destroy) {
    return session && static_cast<CKelNetwork*>(session)->setState(state, destroy) ? 1 : 0;
}

extern "C" int kelSessionSide(void* session) {
    return session ? static_cast<CKelNetwork*>(session)->answeringSide() : KEL_SIDE_OSTREL;
}

extern "C" void kelSessionSetTransactionOpen(void* session, int open) {
    if (session) static_cast<CKelNetwork*>(session)->setTransactionOpen(open != 0);
}
