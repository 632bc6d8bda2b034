package test;

public class NoMain {
    public static void main(int count) {
        System.out.println("wrong main " + count);
    }
}
