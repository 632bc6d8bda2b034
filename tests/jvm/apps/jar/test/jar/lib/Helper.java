package test.jar.lib;

public class Helper {
    public static String where() {
        String path = Helper.class.getProtectionDomain().getCodeSource().getLocation().getPath();
        return "helper from " + path.substring(path.lastIndexOf('/') + 1);
    }
}
