/* A stand-in for a media library, for the loader's failure tests: it
 * exports the library's version function (reporting FAKE_MAJOR) and the
 * function named by FAKE_EXTRA, and nothing else the engine binds. */
#define FAKE_GLUE2(a, b) a##b
#define FAKE_GLUE(a, b) FAKE_GLUE2(a, b)

unsigned FAKE_GLUE(FAKE_PREFIX, _version)(void) { return (FAKE_MAJOR << 16) | (1 << 8) | 100; }

void FAKE_EXTRA(void) {}
