package com.example.greeter;

import com.example.words.Words;

/**
 * The main class of the module com.example.greeter, started by the launcher as
 * greeter.exe (see greeter.ini). It greets its first argument and tells which
 * module it runs in.
 */
public final class Greeter {
    private Greeter() {
    }

    public static void main(String[] args) {
        System.out.println(Words.greeting(args.length > 0 ? args[0] : "World"));
        System.out.println("module: " + Greeter.class.getModule().getName());
    }
}
