package test;

// Prints its arguments as UTF-16 units (so the check does not depend on the
// console's encoding), a line on standard error, and the test property.
public class Echo {
    public static void main(String[] args) {
        System.out.println("count " + args.length);
        for (int i = 0; i < args.length; i++) {
            StringBuilder line = new StringBuilder("arg " + i + ":");
            for (char c : args[i].toCharArray()) line.append(String.format(" %04x", (int) c));
            System.out.println(line);
        }
        System.err.println("err line");
        String property = System.getProperty("test.prop");
        if (property != null) System.out.println("test.prop=" + property);
    }
}
