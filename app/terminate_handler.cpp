// What std::terminate does in this program: end at once, as the default
// handler does after it writes the exception's type to stderr. A GUI program
// has no stderr to show, and the default handler links libstdc++'s name
// demangler, a sixth of the release executable.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler();
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
