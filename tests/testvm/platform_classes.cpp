// The platform classes of the test VM: strings, System's streams and exit, file,
// print and byte-array streams, and the throwables that a launcher meets.
#include "vm.h"

namespace testvm {
namespace {

const char* kNative = "testvm.Native.call(Native Method)";

const StringObject* asString(const Object* o) { return static_cast<const StringObject*>(o); }

void raiseNull(Frame& f) { raise(f.env, "java/lang/NullPointerException", "null", kNative); }

// java/lang/String

void stringFromChars(Frame& f) {
    const Object* chars = f.objects[0];
    if (!chars) return raiseNull(f);
    Lock lock;
    const auto& items = static_cast<const CharArrayObject*>(chars)->items;
    f.result = new StringObject(std::u16string(items.begin(), items.end()));
}

void stringToString(Frame& f) { f.result = f.self; }

// java/lang/System

void systemSetOut(Frame& f) { setSystemOut(f.objects[0]); }
void systemSetErr(Frame& f) { setSystemErr(f.objects[0]); }
void systemExitImpl(Frame& f) { systemExit(f.args[0].i); }

// java/io/FileOutputStream, PrintStream, ByteArrayOutputStream

std::string systemMessage(DWORD error) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::u16string text;
    if (n && buffer) text.assign(reinterpret_cast<const char16_t*>(buffer), n);
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' ' || text.back() == u'.'))
        text.pop_back();
    return text.empty() ? "error " + number(error) : utf8(text);
}

// Opens as Java does on Windows: append keeps the content and writes at the
// end, otherwise the file is truncated; both share reading and writing.
void fileStreamOpen(Frame& f) {
    const Object* name = f.objects[0];
    if (!name) return raiseNull(f);
    std::u16string path = asString(name)->text;
    bool append = f.args[1].z != JNI_FALSE;
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()),
                           append ? (FILE_GENERIC_WRITE & ~FILE_WRITE_DATA) : GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        log("FileOutputStream " + utf8(path) + " append=" + (append ? "1" : "0") + " failed=" + number(error));
        raise(f.env, "java/io/FileNotFoundException", utf8(path) + " (" + systemMessage(error) + ")",
              "java.io.FileOutputStream.open0(Native Method)");
        return;
    }
    log("FileOutputStream " + utf8(path) + " append=" + (append ? "1" : "0"));
    f.result = new FileStreamObject(h, true);
}

void printStreamNew(Frame& f) {
    if (!f.objects[0]) return raiseNull(f);
    f.result = new PrintStreamObject(f.objects[0]);
}

std::string textOf(const Object* s) { return s ? utf8(asString(s)->text) : std::string("null"); }

void printStreamPrintln(Frame& f) { printLine(f.self, textOf(f.objects[0])); }
void printStreamPrint(Frame& f) { writeBytes(f.self, textOf(f.objects[0])); }
void printStreamFlush(Frame&) {}

void byteStreamNew(Frame& f) { f.result = new ByteStreamObject; }

void byteStreamToString(Frame& f) {
    Lock lock;
    f.result = new StringObject(utf16(static_cast<ByteStreamObject*>(f.self)->bytes));
}

// java/lang/Throwable

const ThrowableObject* asThrowable(const Object* o) { return static_cast<const ThrowableObject*>(o); }

void throwableToString(Frame& f) { f.result = new StringObject(utf16(describe(asThrowable(f.self)))); }

void throwableGetMessage(Frame& f) {
    const ThrowableObject* t = asThrowable(f.self);
    if (t->hasMessage) f.result = new StringObject(t->message);
}

void throwablePrintStackTraceTo(Frame& f) {
    if (!f.objects[0]) return raiseNull(f);
    printStackTrace(asThrowable(f.self), f.objects[0], "");
}

void throwablePrintStackTrace(Frame& f) { printStackTrace(asThrowable(f.self), systemErr(), ""); }

}  // namespace

void definePlatformClasses() {
    ClassInfo* object = defineClass("java/lang/Object", nullptr);
    ClassInfo* cls = defineClass("java/lang/Class", "java/lang/Object");
    object->object->cls = cls;  // both were made before java/lang/Class existed
    cls->object->cls = cls;
    defineClass("[C", "java/lang/Object");

    ClassInfo* string = defineClass("java/lang/String", "java/lang/Object");
    defineMethod(string, "<init>", "([C)V", false, stringFromChars);
    defineMethod(string, "toString", "()Ljava/lang/String;", false, stringToString);

    defineClass("java/io/OutputStream", "java/lang/Object");
    ClassInfo* file = defineClass("java/io/FileOutputStream", "java/io/OutputStream");
    defineMethod(file, "<init>", "(Ljava/lang/String;Z)V", false, fileStreamOpen);
    defineClass("java/io/FilterOutputStream", "java/io/OutputStream");
    ClassInfo* print = defineClass("java/io/PrintStream", "java/io/FilterOutputStream");
    defineMethod(print, "<init>", "(Ljava/io/OutputStream;)V", false, printStreamNew);
    defineMethod(print, "println", "(Ljava/lang/String;)V", false, printStreamPrintln);
    defineMethod(print, "print", "(Ljava/lang/String;)V", false, printStreamPrint);
    defineMethod(print, "flush", "()V", false, printStreamFlush);
    ClassInfo* bytes = defineClass("java/io/ByteArrayOutputStream", "java/io/OutputStream");
    defineMethod(bytes, "<init>", "()V", false, byteStreamNew);
    defineMethod(bytes, "toString", "()Ljava/lang/String;", false, byteStreamToString);

    ClassInfo* system = defineClass("java/lang/System", "java/lang/Object");
    defineMethod(system, "setOut", "(Ljava/io/PrintStream;)V", true, systemSetOut);
    defineMethod(system, "setErr", "(Ljava/io/PrintStream;)V", true, systemSetErr);
    defineMethod(system, "exit", "(I)V", true, systemExitImpl);

    ClassInfo* throwable = defineThrowable("java/lang/Throwable", "java/lang/Object");
    defineMethod(throwable, "toString", "()Ljava/lang/String;", false, throwableToString);
    defineMethod(throwable, "getMessage", "()Ljava/lang/String;", false, throwableGetMessage);
    defineMethod(throwable, "printStackTrace", "(Ljava/io/PrintStream;)V", false, throwablePrintStackTraceTo);
    defineMethod(throwable, "printStackTrace", "()V", false, throwablePrintStackTrace);
    const char* hierarchy[][2] = {
        {"java/lang/Exception", "java/lang/Throwable"},
        {"java/lang/RuntimeException", "java/lang/Exception"},
        {"java/lang/NullPointerException", "java/lang/RuntimeException"},
        {"java/lang/IllegalArgumentException", "java/lang/RuntimeException"},
        {"java/lang/IndexOutOfBoundsException", "java/lang/RuntimeException"},
        {"java/lang/ArrayIndexOutOfBoundsException", "java/lang/IndexOutOfBoundsException"},
        {"java/lang/NegativeArraySizeException", "java/lang/RuntimeException"},
        {"java/lang/ArrayStoreException", "java/lang/RuntimeException"},
        {"java/io/IOException", "java/lang/Exception"},
        {"java/io/FileNotFoundException", "java/io/IOException"},
        {"java/lang/Error", "java/lang/Throwable"},
        {"java/lang/VirtualMachineError", "java/lang/Error"},
        {"java/lang/OutOfMemoryError", "java/lang/VirtualMachineError"},
        {"java/lang/LinkageError", "java/lang/Error"},
        {"java/lang/NoClassDefFoundError", "java/lang/LinkageError"},
        {"java/lang/IncompatibleClassChangeError", "java/lang/LinkageError"},
        {"java/lang/NoSuchMethodError", "java/lang/IncompatibleClassChangeError"},
    };
    for (const auto& entry : hierarchy) defineThrowable(entry[0], entry[1]);
}

}  // namespace testvm
