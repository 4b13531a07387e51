// A shared object without a VST entry, for the harness's load errors.
extern "C" __attribute__((visibility("default"))) int notAPlugin() {
    return 42;
}
