// The installer's registry readers. This platform keeps no installer
// registry: each only writes its not-supported line.
#pragma once

// 0 for success. Writes no version text here; the caller supplies one from
// the platform's database information.
int sqlServerRegVersion(const char* sqlServerName, char* version, int* capacity, int* second, int clustered);
