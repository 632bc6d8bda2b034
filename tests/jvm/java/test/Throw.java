package test;

// Ends main with an exception thrown two calls deep.
public class Throw {
    public static void main(String[] args) {
        System.out.println("throwing");
        outer();
    }

    static void outer() {
        inner();
    }

    static void inner() {
        throw new IllegalStateException("boom");
    }
}
