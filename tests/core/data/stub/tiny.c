/* A program that only carries resources, for the packer's tests: its
   resources are laid out by the same tools as the installer stub's. The
   pointer to a constant gives it base relocations, as the stub has. */
const char* volatile g_pszName = "tiny";

int __stdcall start(void) { return g_pszName[0]; }
