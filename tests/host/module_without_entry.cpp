// A loadable library under the module's file name that lacks the IniProc entry: the host
// must report it, not call into nothing.

extern "C" __attribute__((visibility("default"))) int SomethingElse() {
    return 42;
}
