package test;

import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

// The void form of secondaryMain.
public class SecondaryVoid {
    private static final CountDownLatch called = new CountDownLatch(1);

    public static void main(String[] args) throws InterruptedException {
        System.out.println("first instance running");
        boolean got = called.await(30, TimeUnit.SECONDS);
        System.out.println(got ? "first instance done" : "first instance timed out");
    }

    public static void secondaryMain(String[] args) {
        System.out.println("secondaryMain void: " + String.join(",", args));
        called.countDown();
    }
}
