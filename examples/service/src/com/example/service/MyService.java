package com.example.service;

import java.text.SimpleDateFormat;
import java.util.Date;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * A Windows service started by the launcher as myservice.exe (see
 * myservice.ini). main runs the service and returns when it is to end; the
 * launcher calls stop() on another thread when Windows asks the service to stop.
 */
public final class MyService {
    private static final CountDownLatch stopRequested = new CountDownLatch(1);

    private MyService() {
    }

    public static void main(String[] args) throws InterruptedException {
        // The service name (unless "Omit Service Name" is set) and the start
        // parameters follow the arguments given in the service's binPath.
        System.out.println("started with " + args.length + " arguments: " + String.join(" ", args));

        // The work: one line a minute, until stop() is called.
        while (!stopRequested.await(60, TimeUnit.SECONDS)) {
            System.out.println(new SimpleDateFormat("yyyy-MM-dd HH:mm:ss").format(new Date()) + " still running");
        }
        System.out.println("stopping");
        // Returning from main reports the service as stopped.
    }

    /** Called on its own thread on a stop or shutdown request; possibly more than once. */
    public static void stop() {
        stopRequested.countDown();
    }
}
