// Linked into every test program: what the leak checker of the sanitizer builds leaves alone.
// The system's font configuration library, which Qt's font engine starts, keeps a cache for the
// life of the process; so does the message-bus library that Qt starts on a real display.
extern "C" __attribute__((used)) const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n"
           "leak:libdbus-1\n";
}
