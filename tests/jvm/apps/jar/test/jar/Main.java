package test.jar;

// Started by its JAR's manifest, which opens java.lang to the class path,
// names lib/helper.jar in Class-Path and Agent as Launcher-Agent-Class.
public class Main {
    public static void main(String[] args) throws Exception {
        System.out.println("jar main: " + test.jar.lib.Helper.where());
        System.out.println("java.lang open: " + Object.class.getModule().isOpen("java.lang", Main.class.getModule()));
        System.out.println("agent loaded: " + Agent.loaded);
    }
}
