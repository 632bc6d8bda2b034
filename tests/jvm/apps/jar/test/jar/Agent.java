package test.jar;

public class Agent {
    static volatile boolean loaded;

    public static void agentmain(String arguments, java.lang.instrument.Instrumentation instrumentation) { loaded = true; }
}
