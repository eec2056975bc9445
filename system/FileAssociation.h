// File associations under HKEY_CLASSES_ROOT.
#pragma once

// extension must begin with "."; sets HKCR\extension = progId, HKCR\progId =
// description (when it differs), the open command (exe with commandLine)
// and the icon (icon,iconIndex) when given. True when any write changed
// something, false when nothing changed or the extension was refused.
bool CreateFileAssociation(const char* extension, const char* progId, const char* description, const char* exe,
                           const char* icon, unsigned iconIndex, const char* commandLine);

// Tells the shell that associations changed (once, after a batch).
void UpdateShellFileAssociationChanged();
