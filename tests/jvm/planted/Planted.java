// A class that only the current directory holds: the program never runs it.
public class Planted {
    public static void main(String[] args) { System.out.println("planted code ran"); }
}
