// The Windows program's end for an exception that nothing caught (wWinMain catches everything,
// so only a fault inside the runtime itself gets here). The C++ runtime's own handler would
// name the exception on stderr, which a GUI program does not have, and for that it links a
// symbol demangler and a printf: about 70 KiB of the exe. This definition takes its place at
// link time and ends the program as that handler does after printing.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx
