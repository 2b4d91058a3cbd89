// What std::terminate does in this program: end at once, as the default
// handler does after it writes the exception's type to stderr. A GUI program
// has no stderr to show, and the default handler links libstdc++'s name
// demangler, a sixth of the release executable.
//
// There is no supported switch for that. This defines the library's own
// handler, __gnu_cxx::__verbose_terminate_handler, in the program: the linker
// takes the program's objects before it searches libstdc++.a, so the library's
// definition, and the demangler with it, is never pulled in. Should that ever
// stop working, the release build fails (cmake/VelmoraExeChecks.cmake).
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler();
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
