// Self-registration of COM servers (DllRegisterServer and its opposite).
#pragma once

// False when the DLL can't be loaded; a DLL without the export counts as
// done, and the server's own result is not judged. A 64-bit application's
// DLLs go to the system's 64-bit regsvr32, which loads them.
bool RegisterCOMDLL(const char* dll);
bool UnregisterCOMDLL(const char* dll);
