package test;

import java.lang.reflect.Field;

// Brings the VM down with a fault in native memory, so that it aborts.
public class Crash {
    public static void main(String[] args) throws Exception {
        Field field = Class.forName("sun.misc.Unsafe").getDeclaredField("theUnsafe");
        field.setAccessible(true);
        Object unsafe = field.get(null);
        unsafe.getClass().getMethod("putAddress", long.class, long.class).invoke(unsafe, 0L, 42L);
        System.out.println("still alive");
    }
}
