package test.app;

// The main class of its module's descriptor: it runs in its module, which sees
// only what test.lib exports.
public class Main {
    public static void main(String[] args) {
        Module module = Main.class.getModule();
        System.out.println("main of " + module.getName() + " [" + String.join(",", args) + "] " + test.lib.Greeting.text());
        System.out.println("test.lib.internal exported: " + test.lib.Greeting.class.getModule().isExported("test.lib.internal", module));
        System.out.println("main class property: " + System.getProperty("jdk.module.main.class"));
    }
}
