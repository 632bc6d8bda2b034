package test;

import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

// A main class whose name is written in other than ASCII letters (Cyrillic,
// outside the ANSI code pages of western systems): main runs until stop, and
// secondaryMain answers 40 + the number of arguments.
class Служба {
    private static final CountDownLatch stopped = new CountDownLatch(1);

    public static void main(String[] args) throws InterruptedException {
        System.out.println("named running");
        boolean asked = stopped.await(30, TimeUnit.SECONDS);
        System.out.println(asked ? "named stopped" : "named timed out");
    }

    public static int secondaryMain(String[] args) {
        System.out.println("named secondaryMain: " + String.join(",", args));
        return 40 + args.length;
    }

    public static void stop() {
        System.out.println("named stop called");
        stopped.countDown();
    }
}
