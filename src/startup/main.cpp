#include <windows.h>

#include <cstdlib>

#include "startup/entry.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return startup::InstallerMain(); }

// libstdc++'s default terminate handler prints the demangled type of the exception to stderr, which
// this GUI program does not have, and brings the whole demangler into the executable (about 46 KB).
// This one ends the program the same way without the message. It has to be defined here, in an
// object of the executable itself, to be chosen before the library's.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
