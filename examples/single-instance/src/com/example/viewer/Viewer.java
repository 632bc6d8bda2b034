package com.example.viewer;

import javax.swing.DefaultListModel;
import javax.swing.JFrame;
import javax.swing.JList;
import javax.swing.JScrollPane;
import javax.swing.SwingUtilities;

/**
 * A desktop program started by the launcher as viewer.exe (see viewer.ini),
 * with "Single Instance" = yes: the first start opens the window; every later
 * start hands its arguments to secondaryMain of the running one and ends.
 */
public final class Viewer {
    // Used on the event thread only.
    private static JFrame frame;
    private static final DefaultListModel<String> files = new DefaultListModel<>();

    private Viewer() {
    }

    public static void main(String[] args) {
        SwingUtilities.invokeLater(() -> {
            frame = new JFrame("Viewer");
            frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);
            frame.add(new JScrollPane(new JList<>(files)));
            frame.setSize(640, 480);
            frame.setVisible(true);
            open(args);
        });
    }

    /**
     * Called in the first instance for every later start, on a thread of its
     * own, with that start's command-line arguments. The result becomes the
     * later start's exit code. (A "public static void secondaryMain(String[])"
     * would do as well; the later start then ends with 0 as soon as it is called.)
     */
    public static int secondaryMain(String[] args) {
        SwingUtilities.invokeLater(() -> {
            frame.toFront();
            open(args);
        });
        return 0;
    }

    private static void open(String[] names) {
        for (String name : names) {
            // A start without arguments gives secondaryMain one empty string.
            if (!name.isEmpty()) {
                files.addElement(name);
            }
        }
    }
}
