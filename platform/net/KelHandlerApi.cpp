#include "platform/net/KelHandlerApi.h"

#include "platform/net/CKelNetwork.h"

extern "C" void* kelSessionGetState(void* session) {
    return session ? static_cast<CKelNetwork*>(session)->state() : nullptr;
}

extern "C" void kelSessionSetState(void* session, void* state, KelSessionStateDestructor destroy) {
    if (session) static_cast<CKelNetwork*>(session)->setState(state, destroy);
}
