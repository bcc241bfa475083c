/* The C interface between the dispatcher and a handler library. The dispatcher
 * reads a request frame, loads the library the frame names and calls its entry
 * point; the handler answers through the session it is given (an answering
 * KelNetMessage built on it), once or, for a list, packet after packet. */
#ifndef KEL_PLATFORM_NET_HANDLER_API_H
#define KEL_PLATFORM_NET_HANDLER_API_H

#ifdef __cplusplus
extern "C" {
#endif

/* session: the CKelNetwork the request came in on. request/requestLength: the
 * request record as received (the handler checks the length against its own
 * record before reading it); payload: the trailing data, if any. Returns 0
 * when the request was answered; any other value is a platform error number
 * that the dispatcher sends back as a failure when no final reply went out. */
typedef unsigned long long (*KelHandlerEntry)(void* session, unsigned long long messageId,
                                              unsigned long long family, unsigned long long type,
                                              const char* request, unsigned long requestLength,
                                              const char* payload, unsigned long payloadLength);

/* Called with the session's state when the session ends, however it ends. */
typedef void (*KelSessionStateDestructor)(void* state);

/* Which side a dispatcher answers for: the Ostrel (the default) or an agent
 * host. The handler builds its answering context for that side. */
#define KEL_SIDE_AGENT 1
#define KEL_SIDE_OSTREL 2
int kelSessionSide(void* session);

/* Every handler library names the entry points a request may call in a table
 * of its own, ended by a null:
 *
 *   const char* const kelHandlerEntryPoints[] = {"sLPTHINGMSG", 0};
 *
 * The dispatcher calls a name only when the table lists it and the library
 * itself (not one it depends on) defines both the table and the function. */
#define KEL_HANDLER_ENTRY_TABLE "kelHandlerEntryPoints"
extern const char* const kelHandlerEntryPoints[];

/* After each answer: whether the session now holds an open transaction. A
 * session that holds none is ended after a shorter silence. */
void kelSessionSetTransactionOpen(void* session, int open);

/* The handler's per-session state slot; a new state releases the previous one.
 * Returns 0, and takes nothing, when a state would be replaced while the
 * session answers a request: the caller then still owns state. */
void* kelSessionGetState(void* session);
int kelSessionSetState(void* session, void* state, KelSessionStateDestructor destroy);

#ifdef __cplusplus
}
#endif

#endif
