/** The main module: its descriptor names com.example.greeter.Greeter as its main class. */
module com.example.greeter {
    requires com.example.words;
}
