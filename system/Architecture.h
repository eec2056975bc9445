// The processor an application is built for, the machine Windows runs on,
// and what a 64-bit application changes for this 32-bit installer: the
// registry view, Program Files and the system folder.
#pragma once

#include "SmallString.h"

enum EArchitecture
{
    ArchitectureX86,
    ArchitectureX64,
    ArchitectureArm64
};

// "x86", "x64" or "arm64", in any case, blanks around ignored; empty is
// x86. False for any other.
bool ParseArchitecture(const CSmallString& text, EArchitecture& architecture);
const char* GetArchitectureName(EArchitecture architecture);

// The machine Windows itself runs on, also where this program is emulated.
EArchitecture GetNativeMachine();

// Whether Windows on native runs programs built for application: ARM64
// Windows runs x64 ones too.
bool CanRunOn(EArchitecture application, EArchitecture native);

// The application's, for the whole run: set before the first of its keys,
// files or paths is touched.
void SetApplicationArchitecture(EArchitecture architecture);
EArchitecture GetApplicationArchitecture();
bool IsApplication64Bit();

// For a 64-bit application on 64-bit Windows, a path in the system folder
// as this program must spell it to reach the 64-bit one (the system folder
// of a 32-bit program is another); any other path as it is.
CSmallString ToNativeSystemPath(const CSmallString& path);
