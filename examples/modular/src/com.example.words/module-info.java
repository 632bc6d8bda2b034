/** The words of the greeting; only com.example.words is open to other modules. */
module com.example.words {
    exports com.example.words;
}
