package test.app;

public class Other {
    public static void main(String[] args) {
        System.out.println("other of " + Other.class.getModule().getName());
    }
}
