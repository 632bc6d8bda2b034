package test;

// A main of JDK 25: an instance method without arguments.
public class InstanceMain {
    private final String form = "instance";

    void main() {
        System.out.println(form + " main of " + getClass().getName());
    }
}
