package test;

import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

// main runs until stop is called from another thread.
public class Service {
    private static final CountDownLatch stopped = new CountDownLatch(1);

    public static void main(String[] args) throws InterruptedException {
        System.out.println("service running");
        boolean asked = stopped.await(30, TimeUnit.SECONDS);
        System.out.println(asked ? "service stopped" : "service timed out");
    }

    public static void stop() {
        System.out.println("stop called");
        stopped.countDown();
    }
}
