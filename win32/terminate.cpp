// What std::terminate calls in a shipped program: std::abort, and nothing
// before it. The library's default first names the escaping exception on
// stderr through its demangler, which with the formatted output it needs
// weighs about 60 KB; the programs let no exception escape, and the window
// program has no stderr to write to. Linked into the shipped programs only
// (huevane_quiet_terminate): the test programs keep the library's default,
// which names what escaped.
#include <cstdlib>
#include <exception>

// The library's own default handler, defined here, so that the linker takes
// this definition and never reaches for the library's.
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }
