// build's --icon and --version-info: the installer shows the publisher's
// icon and details. The texts default to the script's settings. And the
// script's scope: an installer for the user who installs asks for no
// administrator rights.
#pragma once

#include <string>
#include <vector>

#include "CommandArgs.h"
#include "PackItem.h"
#include "SmallString.h"

struct SIdentityOptions
{
    enum EText
    {
        ProductName,
        ProductVersion,
        Company,
        Description,
        Copyright,
        TextCount
    };

    const char* pszIcon = nullptr;
    bool bVersionInfo = false;
    const char* apszText[TextCount] = {}; // null: from the script

    bool IsAsked() const { return pszIcon || bVersionInfo; }
};

// build's options for these: --icon, --version-info and the texts.
void AddIdentityOptions(std::vector<SOptionRule>& options);
// What the arguments read ask for.
SIdentityOptions ReadIdentityOptions(const CCommandArgs& args);

// Reads the icon, takes the texts that were not given from the script and
// gives the stub its resources; its manifest asks for the rights the scope
// needs (none for user and choose, administrator's for machine, or without
// a scope, where a stub made for user asked for none). A stub that needs
// none of it is left as it is, a signature included.
// False, with why, when the icon or the stub can't be used: the stub is
// then unchanged. notes receives what the publisher should know.
bool ApplyIdentity(const SIdentityOptions& options, const CSmallString& script, const CPackItemList& items,
                   std::vector<unsigned char>& stub, std::vector<std::string>& notes, CSmallString& why);
