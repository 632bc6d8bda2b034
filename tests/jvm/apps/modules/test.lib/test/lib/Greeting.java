package test.lib;

public class Greeting {
    public static String text() { return "hello from " + Greeting.class.getModule().getName(); }
}
