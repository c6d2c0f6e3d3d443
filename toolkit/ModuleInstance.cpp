#include "ModuleInstance.h"

TModuleInstance ModuleInstance;

DWORD TModuleInstance::GetFileName(char* buffer, DWORD size) const { return GetModuleFileNameA(handle, buffer, size); }
