// The installation service's library, loaded at run time by the Ostrel:
// its entry marks an instance of a client deleted or brings it back, in the
// application manager's tables.
#pragma once

namespace kel::simcs {

inline constexpr const char* kLibraryName = "sLNSIMCS";
inline constexpr const char* kMarkDeleteEntry = "simCSMarkDeleteClientInstance";

}  // namespace kel::simcs

// flag 1 brings the instance back, 0 marks it deleted; the instance must be
// the client's, of the type, in the Tessel. 0 or an error number.
using simCSMarkDeleteClientInstance_t = int (*)(unsigned long tesselId, unsigned long clientId,
                                                unsigned long appType, unsigned long instanceId, int flag,
                                                const char* focus, void* reserved, int options);
