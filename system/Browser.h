// Opening a web page in the user's browser.
#pragma once

// Opens url with the shell; showCommand is an SW_ value. Empty urls are ignored.
void GotoURL(const char* url, int showCommand);
