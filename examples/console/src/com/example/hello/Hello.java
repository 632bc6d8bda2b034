package com.example.hello;

/**
 * A console program started by the launcher as hello.exe (see hello.ini).
 * It prints its arguments (those of the command line, then those of "Cmd"),
 * the system property set in "Virtual Machine Parameters" and the runtime the
 * launcher chose, and reports failure through its exit code.
 */
public final class Hello {
    private Hello() {
    }

    public static void main(String[] args) {
        System.out.println(System.getProperty("hello.greeting", "Hello"));
        for (int i = 0; i < args.length; i++) {
            System.out.println("argument " + i + ": " + args[i]);
        }
        System.out.println("runtime: " + System.getenv("QZ_JVM_HOME"));
        System.out.println("VM library: " + System.getenv("QZ_JVM_PATH"));
        System.out.println("maximum heap: " + Runtime.getRuntime().maxMemory() / (1024 * 1024) + " MB");

        if (args.length > 0 && args[0].equals("--fail")) {
            System.err.println("failing on request");
            System.exit(2);  // the process exit code is 2
        }
        // Returning from main ends the process with exit code 0.
    }
}
