// File associations under HKEY_CLASSES_ROOT, or the user's own.
#pragma once

// extension must begin with "."; sets HKCR\extension = progId, HKCR\progId =
// description (when it differs), the open command ("exe" commandLine)
// and the icon (icon,iconIndex) when given; null or empty parts are left
// alone. True when any write changed something, false when nothing changed
// or the extension or an empty progId was refused. forUser: under
// HKEY_CURRENT_USER\Software\Classes, which needs no administrator.
bool CreateFileAssociation(const char* extension, const char* progId, const char* description, const char* exe,
                           const char* icon, unsigned iconIndex, const char* commandLine, bool forUser = false);

// Tells the shell that associations changed (once, after a batch).
void UpdateShellFileAssociationChanged();
