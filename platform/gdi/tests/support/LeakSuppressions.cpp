// Under the leak checker: fontconfig, which Qt's font engine starts, keeps a few blocks until the
// process ends.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}
