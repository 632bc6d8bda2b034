package com.example.words;

/** The greeting's words. */
public final class Words {
    private Words() {
    }

    /** The greeting for a name. */
    public static String greeting(String name) {
        return "Hello, " + name + "!";
    }
}
