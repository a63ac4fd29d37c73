// What std::terminate does in this program. The library's default handler writes the type of the
// exception, demangled, to a console that a windowed program does not have, and brings the whole
// C++ demangler and a printf into the program for it (some 60 KiB of its size). Nothing in the
// launcher ends in std::terminate by design: every handler's exception reaches the default error
// box, and the program's start catches what its windows raise.
#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
#endif
