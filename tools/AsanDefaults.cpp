// Run-time options built into every program of an AddressSanitizer build,
// so that they hold however the program is started (ctest, a test program
// run by hand, vidrelo-cli started by a test). Options given in ASAN_OPTIONS
// or LSAN_OPTIONS still override them.
//
// intercept_tls_get_addr=0: the runtime of GCC 12 guesses where a library's
// dynamic thread-local block starts from the block's address; when a block
// that glibc allocated with malloc lands 16 bytes into a page (the DVD
// plug-in's, dlopen'ed on the main thread, does now and then) it takes the
// two words in front of it for a start and a length and records a bogus
// range, and the leak check at exit dies scanning it ("Tracer caught signal
// 11"). Since glibc 2.25 those blocks are ordinary heap blocks reached from
// the thread's own vector, so the leak check still sees what they point to.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}

extern "C" const char* __lsan_default_options()
{
    return "intercept_tls_get_addr=0";
}
