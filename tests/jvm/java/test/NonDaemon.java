package test;

// main returns while a non-daemon thread still works.
public class NonDaemon {
    public static void main(String[] args) {
        Thread worker = new Thread(() -> {
            try {
                Thread.sleep(1500);
            } catch (InterruptedException e) {
                return;
            }
            System.out.println("worker done");
        });
        worker.setDaemon(false);
        worker.start();
        System.out.println("main done");
    }
}
