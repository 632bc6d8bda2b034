#pragma once
// Internals of the test VM library (jvm.dll): the object model, threads and
// their environments, references, the log, and the helpers that the platform
// classes and the scripted programs are written with. The contract that tests
// rely on is described in testvm.cpp.
#include <windows.h>

#include <jni.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testvm {

// ---------------------------------------------------------------- text and log

std::string utf8(const std::u16string& text);
std::u16string utf16(const std::string& utf8Text);
std::string fromAnsi(const char* text);  // the process's ANSI code page to UTF-8
std::string modifiedUtf8(const std::u16string& text);
std::u16string fromModifiedUtf8(const char* text);
std::string number(long long value);
std::string hex(unsigned long value);  // 0x10002

// Appends lines (each followed by "\n") to the file named by TESTVM_LOG, in one
// write, opening and closing the file each time.
void log(const std::string& line);
void log(const std::vector<std::string>& lines);
// "error <text>" in the log: a misuse of the VM that a real VM would punish.
void misuse(const std::string& text);
// Logs "error <text>", prints it to standard error and ends the process.
[[noreturn]] void fatal(const std::string& text, UINT exitCode);

// ---------------------------------------------------------------- the VM lock

// One recursive lock guards every VM structure. JNI entries hold it, and give it
// up while Java code (a method's implementation) runs.
class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

// Gives up the lock that the calling JNI entry holds, for the time Java code runs.
class Unlock {
public:
    Unlock();
    ~Unlock();
    Unlock(const Unlock&) = delete;
    Unlock& operator=(const Unlock&) = delete;
};

// ---------------------------------------------------------------- objects

struct ClassInfo;
struct MethodInfo;
struct ThreadEnv;

enum class Kind { Plain, Class, String, CharArray, ObjectArray, FileStream, ByteStream, PrintStream, Throwable };

// Java objects. Nothing is ever collected: objects live until the process ends.
struct Object {
    Object(Kind k, const ClassInfo* c) : kind(k), cls(c) {}
    virtual ~Object() = default;
    Kind kind;
    const ClassInfo* cls;
};

struct ClassObject : Object {
    explicit ClassObject(const ClassInfo* info);
    const ClassInfo* info;
};

struct StringObject : Object {
    explicit StringObject(std::u16string t);
    std::u16string text;
};

struct CharArrayObject : Object {
    explicit CharArrayObject(size_t length);
    std::vector<jchar> items;
};

struct ObjectArrayObject : Object {
    ObjectArrayObject(const ClassInfo* arrayClass, size_t length);
    std::vector<Object*> items;
};

// A FileOutputStream: the process's standard handles or a file it opened.
struct FileStreamObject : Object {
    FileStreamObject(HANDLE h, bool owns);
    ~FileStreamObject() override;
    HANDLE handle;
    bool owned;
};

struct ByteStreamObject : Object {
    ByteStreamObject();
    std::string bytes;
};

struct PrintStreamObject : Object {
    explicit PrintStreamObject(Object* out);
    Object* target;
};

struct ThrowableObject : Object {
    ThrowableObject(const ClassInfo* c, const std::u16string* message, std::string where);
    bool hasMessage;
    std::u16string message;
    std::string frame;  // the one "at" line of its stack trace
};

// ---------------------------------------------------------------- classes

struct Frame;
using Impl = void (*)(Frame& frame);

struct MethodInfo {
    const ClassInfo* owner;
    std::string name;
    std::string signature;
    bool isStatic;
    Impl impl;
    std::vector<std::string> parameters;  // descriptors
    std::string result;                   // descriptor
};

struct ClassInfo {
    std::string name;  // with '/'
    const ClassInfo* super = nullptr;
    const ClassInfo* element = nullptr;  // for array classes
    std::vector<MethodInfo*> methods;
    ClassObject* object = nullptr;
    bool throwable = false;
    std::string dottedName() const;
};

// Defines a class (the super class must exist) or returns the existing one.
ClassInfo* defineClass(const char* name, const char* superName);
// A static method, an instance method, or a constructor ("<init>").
void defineMethod(ClassInfo* cls, const char* name, const char* signature, bool isStatic, Impl impl);
// A subclass of java/lang/Throwable with the constructors "()V" and "(Ljava/lang/String;)V".
ClassInfo* defineThrowable(const char* name, const char* superName);

// A defined class or an array class of a defined class; null when unknown.
const ClassInfo* lookupClass(const std::string& name);
const ClassInfo* classNamed(const char* name);  // must exist
const ClassInfo* arrayClassOf(const ClassInfo* element);
bool isSubclass(const ClassInfo* cls, const ClassInfo* of);
bool isInstance(const Object* object, const std::string& descriptor);
// Searches the class and its super classes (constructors only in the class itself).
const MethodInfo* findMethod(const ClassInfo* cls, const std::string& name, const std::string& signature,
                             bool isStatic);
bool validMethod(const MethodInfo* method);

void definePlatformClasses();  // platform_classes.cpp
void defineScripts();          // scripts.cpp
void defineLaunchFormClasses();  // launch_forms.cpp
// Ends the process as HotSpot does when the boot layer cannot be set up.
void checkBootLayer();

// ---------------------------------------------------------------- threads

// One per attached thread. JNIEnv* points at `functions`, its first member.
struct ThreadEnv {
    const JNINativeInterface_* functions;
    DWORD threadId = 0;
    HANDLE handle = nullptr;  // for DestroyJavaVM: has the thread ended?
    std::string name;
    bool daemon = false;
    bool attached = true;
    ThrowableObject* pending = nullptr;
    int javaDepth = 0;             // Java methods running on this thread
    std::vector<void*> locals;     // its live local references
};

const JNINativeInterface_* nativeInterface();  // jni_env.cpp
size_t outstandingStringBuffers();              // GetString(UTF)Chars not yet released
JNIEnv* jniEnv(ThreadEnv* env);
ThreadEnv* currentEnv();  // null when the calling thread is not attached
// Attaches the calling thread. `name` null gives "Thread-<n>".
ThreadEnv* attachCurrentThread(const char* name, bool daemon);
// Registers a thread created by the VM (suspended) as attached to it.
ThreadEnv* attachCreatedThread(DWORD threadId, HANDLE handle, const char* name, bool daemon);
void detachThread(ThreadEnv* env);
// Known and attached environment of this process, or null (logs nothing).
ThreadEnv* knownEnv(JNIEnv* env);
// Lists attached threads that keep DestroyJavaVM waiting (non-daemon, not the caller).
std::vector<ThreadEnv*> waitedThreads(DWORD callerId);

// ---------------------------------------------------------------- references

// Checks and resolves references for one JNI call; every misuse is logged as
// "error <function> ...". Holds the VM lock for its lifetime.
class Call {
public:
    Call(JNIEnv* env, const char* function, bool exceptionSafe = false);
    ThreadEnv* env() const { return env_; }
    const char* function() const { return function_; }
    bool usable() const { return env_ != nullptr; }

    Object* object(jobject ref);               // null for null or invalid references
    const ClassInfo* cls(jclass ref);          // null (and logged) unless a class
    const MethodInfo* method(jmethodID id);    // null (and logged) when invalid
    jobject local(Object* object);             // a new local reference of this thread
    void fail(const std::string& what);        // "error <function> <what>"

private:
    Lock lock_;
    ThreadEnv* env_;
    const char* function_;
};

jobject newGlobalRef(Object* object);
bool deleteLocalRef(Call& call, jobject ref);
bool deleteGlobalRef(Call& call, jobject ref);

// ---------------------------------------------------------------- calls into Java

struct Frame {
    ThreadEnv* env = nullptr;
    const MethodInfo* method = nullptr;
    const ClassInfo* cls = nullptr;  // the class of a constructor call
    Object* self = nullptr;
    std::vector<jvalue> args;       // primitives as passed
    std::vector<Object*> objects;   // object arguments (null for primitives)
    Object* result = nullptr;       // object result or the constructed object
    jint intResult = 0;
};

// ---------------------------------------------------------------- VM state and helpers

struct Hooks {
    void(JNICALL* abortHook)() = nullptr;
    void(JNICALL* exitHook)(jint) = nullptr;
};
Hooks& hooks();

// System properties from -D options (UTF-8).
std::string property(const std::string& name, const std::string& fallback);
long propertyNumber(const std::string& name, long fallback);
void setProperty(const std::string& name, const std::string& value);

Object* systemOut();
Object* systemErr();
void setSystemOut(Object* printStream);
void setSystemErr(Object* printStream);
void initStandardStreams();

// Writes bytes to an OutputStream or PrintStream object.
void writeBytes(Object* stream, const std::string& bytes);
// Prints a line (UTF-8, ended by "\r\n" as on Windows) to a print stream.
void printLine(Object* printStream, const std::string& text);

// Makes a new throwable of `className` pending on the thread.
void raise(ThreadEnv* env, const char* className, const std::string& message, const std::string& frame);
std::string describe(const ThrowableObject* t);  // "java.lang.X: message"
// Writes the throwable's stack trace, as printStackTrace does, to a print stream.
void printStackTrace(const ThrowableObject* t, Object* printStream, const std::string& header);

[[noreturn]] void systemExit(jint code);
void callAbortHook();

std::vector<std::u16string> stringArray(const Object* array, bool& isNull);
HANDLE stopEvent();  // manual reset, set by the scripted programs' "stop"

}  // namespace testvm
