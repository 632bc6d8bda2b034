package test;

import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

// The int form of secondaryMain: answers 40 + the number of arguments.
public class Secondary {
    private static final CountDownLatch called = new CountDownLatch(1);

    public static void main(String[] args) throws InterruptedException {
        System.out.println("first instance running");
        boolean got = called.await(30, TimeUnit.SECONDS);
        System.out.println(got ? "first instance done" : "first instance timed out");
    }

    public static int secondaryMain(String[] args) {
        System.out.println("secondaryMain int: " + String.join(",", args));
        called.countDown();
        return 40 + args.length;
    }
}
