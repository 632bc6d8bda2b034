module test.app {
    requires test.lib;
}
