module test.lib {
    exports test.lib;
}
