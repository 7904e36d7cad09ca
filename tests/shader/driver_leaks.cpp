// driver_leaks.cpp -- leaks of the OpenGL driver that the sanitizer build must not count against this program.
//
// Mesa's software driver keeps the error text of a refused ARB program in a string it never frees when the
// context is destroyed; the GPU program tests refuse programs on purpose.

extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }
