// What the program does when an exception escapes everything: it ends at
// once. The C++ runtime's own handler first writes the exception's type
// to stderr, which a GUI program does not have, and brings the symbol
// demangler and a printf with it: more than 60 KB of the exe for a line
// that nobody can see. Linking this one in its place leaves them out.
#include <cstdlib>

#if defined(__GLIBCXX__)
// The runtime's name for it, reserved as it is: that is what replaces it.
// NOLINTBEGIN(bugprone-reserved-identifier)
namespace __gnu_cxx {
void __verbose_terminate_handler();
void __verbose_terminate_handler() { std::abort(); }
// NOLINTEND(bugprone-reserved-identifier)
}  // namespace __gnu_cxx
#endif
