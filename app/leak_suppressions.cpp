// Built into the sanitizer build of the show only. Mesa's software rasteriser and the
// D-Bus library SDL loads keep a few allocations to the end of the process by design;
// the leak checker would turn every clean exit into status 1 for memory that is not ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:swrast_dri.so\n"
           "leak:libdbus-1.so\n";
}
