// Tests of the test VM itself. One VM per process: the TestVm suite shares one,
// loaded with LoadLibrary; what needs a fresh process or ends one runs in a child
// (this binary again, with a filter on a disabled TestVmChild test).
#include <gtest/gtest.h>

#include <jni.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "support/process.h"
#include "support/testvm.h"

using namespace testing_support;

namespace {

using CreateVm = jint(JNICALL*)(JavaVM**, void**, void*);
using DefaultArgs = jint(JNICALL*)(void*);
using CreatedVms = jint(JNICALL*)(JavaVM**, jsize, jsize*);

template <typename F>
F entry(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct Library {
    HMODULE module = nullptr;
    CreateVm create = nullptr;
    DefaultArgs defaults = nullptr;
    CreatedVms created = nullptr;
};

const Library& library() {
    static Library lib = [] {
        Library l;
        l.module = LoadLibraryW(testVmDll().c_str());
        if (l.module) {
            l.create = entry<CreateVm>(l.module, "JNI_CreateJavaVM");
            l.defaults = entry<DefaultArgs>(l.module, "JNI_GetDefaultJavaVMInitArgs");
            l.created = entry<CreatedVms>(l.module, "JNI_GetCreatedJavaVMs");
        }
        return l;
    }();
    return lib;
}

struct Option {
    std::string text;
    void* extra = nullptr;
};

jint createVm(const std::vector<Option>& options, JavaVM** vm, JNIEnv** env, jint version = JNI_VERSION_1_2) {
    std::vector<JavaVMOption> array;
    for (const Option& o : options) array.push_back(JavaVMOption{const_cast<char*>(o.text.c_str()), o.extra});
    JavaVMInitArgs args;
    args.version = version;
    args.nOptions = static_cast<jint>(array.size());
    args.options = array.data();
    args.ignoreUnrecognized = JNI_FALSE;
    if (!library().create) return 12345;
    return library().create(vm, reinterpret_cast<void**>(env), &args);
}

// java.lang.String from UTF-16 through the "([C)V" constructor.
jstring javaString(JNIEnv* env, const std::u16string& text) {
    jclass cls = env->FindClass("java/lang/String");
    jmethodID init = env->GetMethodID(cls, "<init>", "([C)V");
    jcharArray chars = env->NewCharArray(static_cast<jsize>(text.size()));
    env->SetCharArrayRegion(chars, 0, static_cast<jsize>(text.size()), reinterpret_cast<const jchar*>(text.data()));
    jstring s = static_cast<jstring>(env->NewObject(cls, init, chars));
    env->DeleteLocalRef(chars);
    env->DeleteLocalRef(cls);
    return s;
}

std::string utfText(JNIEnv* env, jstring s) {
    if (!s) return "<null>";
    const char* chars = env->GetStringUTFChars(s, nullptr);
    std::string text = chars ? chars : "<null>";
    if (chars) env->ReleaseStringUTFChars(s, chars);
    return text;
}

jobjectArray javaStrings(JNIEnv* env, const std::vector<std::u16string>& texts) {
    jclass cls = env->FindClass("java/lang/String");
    jobjectArray array = env->NewObjectArray(static_cast<jsize>(texts.size()), cls, nullptr);
    for (size_t i = 0; i < texts.size(); ++i) {
        jstring s = javaString(env, texts[i]);
        env->SetObjectArrayElement(array, static_cast<jsize>(i), s);
        env->DeleteLocalRef(s);
    }
    env->DeleteLocalRef(cls);
    return array;
}

// A PrintStream on a FileOutputStream.
jobject filePrintStream(JNIEnv* env, const std::wstring& path, bool append) {
    jclass fileClass = env->FindClass("java/io/FileOutputStream");
    jmethodID fileInit = env->GetMethodID(fileClass, "<init>", "(Ljava/lang/String;Z)V");
    jstring name = javaString(env, std::u16string(path.begin(), path.end()));
    jobject file = env->NewObject(fileClass, fileInit, name, append ? JNI_TRUE : JNI_FALSE);
    if (!file) return nullptr;
    jclass printClass = env->FindClass("java/io/PrintStream");
    jmethodID printInit = env->GetMethodID(printClass, "<init>", "(Ljava/io/OutputStream;)V");
    return env->NewObject(printClass, printInit, file);
}

void println(JNIEnv* env, jobject stream, const std::u16string& text) {
    jclass printClass = env->FindClass("java/io/PrintStream");
    jmethodID m = env->GetMethodID(printClass, "println", "(Ljava/lang/String;)V");
    env->CallVoidMethod(stream, m, javaString(env, text));
}

void callMain(JNIEnv* env, const char* className, const std::vector<std::u16string>& args) {
    jclass cls = env->FindClass(className);
    ASSERT_NE(cls, nullptr) << className;
    jmethodID main = env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V");
    ASSERT_NE(main, nullptr);
    env->CallStaticVoidMethod(cls, main, javaStrings(env, args));
}

bool waitForLine(const std::wstring& log, const std::string& line, DWORD timeoutMs = 20000) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        std::vector<std::string> lines = testVmLog(log);
        if (findLine(lines, line) != lines.size()) return true;
        Sleep(20);
    }
    return false;
}

std::string readFile(const std::wstring& path) {
    std::string text;
    readTextFile(path, text);
    return text;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::wstring selfExe() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Runs TestVmChild.DISABLED_<name> in a new process with TESTVM_LOG set.
RunResult runChild(const std::string& name, const std::wstring& log,
                   std::map<std::wstring, std::wstring> env = std::map<std::wstring, std::wstring>()) {
    RunOptions options;
    options.env = env;
    options.env[L"TESTVM_LOG"] = log;
    options.timeoutMs = 120000;
    std::wstring cmd = L"\"" + selfExe() + L"\" --gtest_also_run_disabled_tests --gtest_filter=TestVmChild.DISABLED_" +
                       widen(name);
    return runProcess(selfExe(), cmd, options);
}

// ---------------------------------------------------------------- one VM in this process

void JNICALL recordExit(jint) {}
void JNICALL recordAbort() {}

void JNICALL printExit(jint code) {
    std::printf("exit hook %ld\n", static_cast<long>(code));
    std::fflush(stdout);
}

void JNICALL printAbort() {
    std::printf("abort hook\n");
    std::fflush(stdout);
}

class TestVm : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        logPath = new std::wstring(newTestVmLog(L"inprocess"));
        SetEnvironmentVariableW(L"TESTVM_LOG", logPath->c_str());
        SetEnvironmentVariableW(L"QZ_JVM_PATH", L"C:\\jre\\bin\\server\\jvm.dll");
        SetEnvironmentVariableW(L"QZ_JVM_HOME", nullptr);
        created = createVm({{"-Djava.class.path=C:\\app\\a.jar;"},
                            {"-Dtestvm.name=x y"},
                            {"-Xmx64m"},
                            {"-Xss1m"},
                            {"-Xcheck:jni"},
                            {"-ea"},
                            {"-verbose:gc"},
                            {"-Xrs"},
                            {"abort", reinterpret_cast<void*>(&recordAbort)},
                            {"exit", reinterpret_cast<void*>(&recordExit)}},
                           &vm, &env);
    }

    void SetUp() override {
        ASSERT_EQ(created, JNI_OK) << "the shared VM could not be created";
        start = testVmLog(*logPath).size();
    }

    void TearDown() override {
        if (env->ExceptionCheck()) env->ExceptionClear();
    }

    // The log lines written since the test began.
    std::vector<std::string> newLines() const {
        std::vector<std::string> all = testVmLog(*logPath);
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(start), all.end());
    }

    std::string pendingText() {
        jthrowable t = env->ExceptionOccurred();
        if (!t) return "<none>";
        env->ExceptionClear();
        jclass cls = env->GetObjectClass(t);
        jmethodID toString = env->GetMethodID(cls, "toString", "()Ljava/lang/String;");
        return utfText(env, static_cast<jstring>(env->CallObjectMethod(t, toString)));
    }

    static std::wstring* logPath;
    static JavaVM* vm;
    static JNIEnv* env;
    static jint created;
    size_t start = 0;
};

std::wstring* TestVm::logPath = nullptr;
JavaVM* TestVm::vm = nullptr;
JNIEnv* TestVm::env = nullptr;
jint TestVm::created = -1000;

TEST_F(TestVm, CreationLogsEveryOptionAndTheProcessState) {
    std::vector<std::string> log = testVmLog(*logPath);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "create version=0x10002 options=10 ignoreUnrecognized=0");
    std::vector<std::string> expected = {"-Djava.class.path=C:\\app\\a.jar;", "-Dtestvm.name=x y", "-Xmx64m", "-Xss1m",
                                         "-Xcheck:jni", "-ea", "-verbose:gc", "-Xrs", "abort extraInfo=set",
                                         "exit extraInfo=set"};
    EXPECT_EQ(testVmOptions(log), expected);
    EXPECT_EQ(log[1], "option[0]=-Djava.class.path=C:\\app\\a.jar;");
    std::string value;
    EXPECT_TRUE(logValue(log, "env QZ_JVM_PATH=", value));
    EXPECT_EQ(value, "C:\\jre\\bin\\server\\jvm.dll");
    EXPECT_TRUE(logValue(log, "env QZ_JVM_HOME=", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(logValue(log, "env Path=", value));
    EXPECT_FALSE(value.empty());
    wchar_t cwd[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, cwd);
    EXPECT_TRUE(logValue(log, "cwd=", value));
    EXPECT_EQ(value, narrow(cwd));
    EXPECT_TRUE(logValue(log, "stack=", value));
    EXPECT_GE(std::stoull(value), 64u * 1024u);
    EXPECT_TRUE(logValue(log, "thread-acp=", value));
    EXPECT_EQ(value, std::to_string(GetACP()));
    EXPECT_NE(findLine(log, "created"), log.size());
    EXPECT_TRUE(testVmErrors(log).empty());

    JavaVM* vms[2] = {};
    jsize count = 0;
    EXPECT_EQ(library().created(vms, 2, &count), JNI_OK);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(vms[0], vm);
    EXPECT_GE(env->GetVersion(), JNI_VERSION_1_2);
}

TEST_F(TestVm, ASecondCreationIsRefusedAndDefaultArgumentsGiveTheStackSize) {
    JavaVM* second = nullptr;
    JNIEnv* secondEnv = nullptr;
    EXPECT_EQ(createVm({{"-Xmx1m"}}, &second, &secondEnv), JNI_EEXIST);
    EXPECT_EQ(second, nullptr);

    struct {
        jint version;
        char** properties;
        jint checkSource;
        jint nativeStackSize;
        jint javaStackSize;
        jint rest[8];
    } old = {JNI_VERSION_1_1, nullptr, 0, 0, 0, {}};
    EXPECT_EQ(library().defaults(&old), JNI_ERR);  // as HotSpot: filled, but 1.1 is not supported
    EXPECT_EQ(old.javaStackSize, 1310720);
    EXPECT_EQ(old.version, JNI_VERSION_1_2);
    JavaVMInitArgs current = {JNI_VERSION_1_8, 0, nullptr, JNI_FALSE};
    EXPECT_EQ(library().defaults(&current), JNI_OK);

    std::vector<std::string> log = newLines();
    EXPECT_TRUE(inOrder(log, {"create version=0x10002 options=1 ignoreUnrecognized=0", "option[0]=-Xmx1m",
                              "create failed -5", "defaultInitArgs version=0x10001",
                              "defaultInitArgs version=0x10008"}));
}

TEST_F(TestVm, StringsKeepUtf16AndGiveModifiedUtf8) {
    const std::u16string text = u"a\u00e9\u20ac\U0001F600" + std::u16string(1, u'\0') + u"z";
    jstring s = javaString(env, text);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(env->GetStringLength(s), 7);
    const jchar* chars = env->GetStringChars(s, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(chars), 7), text);
    env->ReleaseStringChars(s, chars);
    const std::string modified = "a\xC3\xA9\xE2\x82\xAC\xED\xA0\xBD\xED\xB8\x80\xC0\x80z";
    EXPECT_EQ(utfText(env, s), modified);
    EXPECT_EQ(env->GetStringUTFLength(s), static_cast<jsize>(modified.size()));
    jstring back = env->NewStringUTF(modified.c_str());
    const jchar* backChars = env->GetStringChars(back, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(backChars), 7), text);
    env->ReleaseStringChars(back, backChars);

    jobjectArray array = javaStrings(env, {u"one", u"two"});
    EXPECT_EQ(env->GetArrayLength(array), 2);
    EXPECT_EQ(utfText(env, static_cast<jstring>(env->GetObjectArrayElement(array, 1))), "two");
    env->SetObjectArrayElement(array, 2, s);
    EXPECT_EQ(pendingText(), "java.lang.ArrayIndexOutOfBoundsException: Index 2 out of bounds for length 2");
    env->SetObjectArrayElement(array, 0, env->NewCharArray(1));
    EXPECT_EQ(pendingText(), "java.lang.ArrayStoreException: [C");
    EXPECT_TRUE(testVmErrors(newLines()).empty());
}

TEST_F(TestVm, FileOutputStreamTruncatesOrAppendsAndReportsWhatItCannotOpen) {
    std::wstring path = workRoot() + L"\\testvm-fos-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    ASSERT_TRUE(writeTextFile(path, "old\r\n"));
    jobject appending = filePrintStream(env, path, true);
    ASSERT_NE(appending, nullptr);
    println(env, appending, u"one \u00fc");
    EXPECT_EQ(readFile(path), "old\r\none \xC3\xBC\r\n");
    jobject truncating = filePrintStream(env, path, false);
    ASSERT_NE(truncating, nullptr);
    EXPECT_EQ(readFile(path), "");
    println(env, truncating, u"two");
    EXPECT_EQ(readFile(path), "two\r\n");

    std::wstring missing = workRoot() + L"\\no-such-folder\\x.txt";
    EXPECT_EQ(filePrintStream(env, missing, false), nullptr);
    jthrowable t = env->ExceptionOccurred();
    ASSERT_NE(t, nullptr);
    env->ExceptionClear();
    EXPECT_TRUE(env->IsInstanceOf(t, env->FindClass("java/io/FileNotFoundException")));
    EXPECT_TRUE(env->IsInstanceOf(t, env->FindClass("java/io/IOException")));
    EXPECT_FALSE(env->IsInstanceOf(t, env->FindClass("java/lang/RuntimeException")));
    jmethodID getMessage = env->GetMethodID(env->FindClass("java/lang/Throwable"), "getMessage", "()Ljava/lang/String;");
    std::string message = utfText(env, static_cast<jstring>(env->CallObjectMethod(t, getMessage)));
    EXPECT_EQ(message.rfind(narrow(missing) + " (", 0), 0u) << message;

    std::vector<std::string> log = newLines();
    EXPECT_TRUE(inOrder(log, {"FileOutputStream " + narrow(path) + " append=1",
                              "FileOutputStream " + narrow(path) + " append=0",
                              "FileOutputStream " + narrow(missing) + " append=0 failed=3"}));
    EXPECT_TRUE(testVmErrors(log).empty());
}

// The rendering of an uncaught exception: printStackTrace into a byte array.
TEST_F(TestVm, ThrowablesRenderThroughAByteArrayStream) {
    EXPECT_EQ(env->FindClass("com.example.App"), nullptr);
    jthrowable t = env->ExceptionOccurred();
    ASSERT_NE(t, nullptr);
    env->ExceptionClear();
    jclass bytesClass = env->FindClass("java/io/ByteArrayOutputStream");
    jobject bytes = env->NewObject(bytesClass, env->GetMethodID(bytesClass, "<init>", "()V"));
    jclass printClass = env->FindClass("java/io/PrintStream");
    jobject print = env->NewObject(printClass, env->GetMethodID(printClass, "<init>", "(Ljava/io/OutputStream;)V"), bytes);
    jclass throwableClass = env->GetObjectClass(t);
    env->CallVoidMethod(t, env->GetMethodID(throwableClass, "printStackTrace", "(Ljava/io/PrintStream;)V"), print);
    jstring text = static_cast<jstring>(
        env->CallObjectMethod(bytes, env->GetMethodID(bytesClass, "toString", "()Ljava/lang/String;")));
    EXPECT_EQ(utfText(env, text),
              "java.lang.NoClassDefFoundError: com.example.App\r\n\tat testvm.JNI.FindClass(Native Method)\r\n");

    jclass noMain = env->FindClass("test/NoMain");
    ASSERT_NE(noMain, nullptr);
    EXPECT_EQ(env->GetStaticMethodID(noMain, "main", "([Ljava/lang/String;)V"), nullptr);
    EXPECT_EQ(pendingText(), "java.lang.NoSuchMethodError: main");

    jclass runtime = env->FindClass("java/lang/RuntimeException");
    EXPECT_EQ(env->ThrowNew(runtime, "thrown"), JNI_OK);
    EXPECT_EQ(pendingText(), "java.lang.RuntimeException: thrown");
    EXPECT_TRUE(testVmErrors(newLines()).empty());
}

TEST_F(TestVm, MisuseIsLoggedAsErrors) {
    EXPECT_EQ(env->FindClass("no/Such"), nullptr);
    jclass string = env->FindClass("java/lang/String");  // with the exception pending
    env->ExceptionClear();
    env->DeleteLocalRef(string);
    env->DeleteLocalRef(string);
    env->ReleaseStringUTFChars(javaString(env, u"x"), "not from GetStringUTFChars");
    jclass system = env->FindClass("java/lang/System");
    jmethodID exit = env->GetStaticMethodID(system, "exit", "(I)V");
    env->CallVoidMethod(system, exit, 1);  // a static method called as an instance method
    JNIEnv* mainEnv = env;
    HANDLE t = CreateThread(
        nullptr, 0, [](void* e) -> DWORD {
            static_cast<JNIEnv*>(e)->FindClass("java/lang/String");
            return 0;
        },
        mainEnv, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);

    std::vector<std::string> expected = {
        "error FindClass called with a pending exception",
        "error DeleteLocalRef called with a deleted reference",
        "error ReleaseStringUTFChars called with a buffer that GetStringUTFChars did not give or that was released",
        "error CallVoidMethodV called with the static method java/lang/System.exit(I)V",
        "error FindClass called on a thread that is not attached",
    };
    EXPECT_EQ(testVmErrors(newLines()), expected);
}

TEST_F(TestVm, ThreadsAttachWithEnvironmentsOfTheirOwn) {
    struct Shared {
        JavaVM* vm;
        JNIEnv* mainEnv;
        jobject mainLocal;
        jint envBefore, envAfter, detached;
        JNIEnv* attached;
        bool ownPending, mainPending;
    } shared = {vm, env, env->FindClass("java/lang/String"), 0, 0, -1, nullptr, false, true};
    env->ExceptionClear();
    HANDLE t = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            auto* s = static_cast<Shared*>(p);
            void* e = nullptr;
            s->envBefore = s->vm->GetEnv(&e, JNI_VERSION_1_2);
            JavaVMAttachArgs args = {JNI_VERSION_1_2, const_cast<char*>("worker"), nullptr};
            s->vm->AttachCurrentThread(reinterpret_cast<void**>(&s->attached), &args);
            JNIEnv* own = s->attached;
            own->FindClass("no/Such");
            s->ownPending = own->ExceptionCheck() != JNI_FALSE;
            own->ExceptionDescribe();  // prints to System.err with the thread's name
            own->GetObjectClass(s->mainLocal);  // a local reference of the main thread
            JNIEnv* daemon = nullptr;
            s->vm->AttachCurrentThreadAsDaemon(reinterpret_cast<void**>(&daemon), nullptr);  // already attached
            s->detached = s->vm->DetachCurrentThread();
            s->envAfter = s->vm->GetEnv(&e, JNI_VERSION_1_2);
            return 0;
        },
        &shared, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    shared.mainPending = env->ExceptionCheck() != JNI_FALSE;

    EXPECT_EQ(shared.envBefore, JNI_EDETACHED);
    EXPECT_NE(shared.attached, nullptr);
    EXPECT_NE(shared.attached, env);
    EXPECT_TRUE(shared.ownPending);
    EXPECT_FALSE(shared.mainPending);
    EXPECT_EQ(shared.detached, JNI_OK);
    EXPECT_EQ(shared.envAfter, JNI_EDETACHED);
    void* mine = nullptr;
    EXPECT_EQ(vm->GetEnv(&mine, JNI_VERSION_1_2), JNI_OK);
    EXPECT_EQ(mine, env);

    std::vector<std::string> log = newLines();
    EXPECT_TRUE(inOrder(log, {"attach", "FindClass no/Such", "ExceptionDescribe java.lang.NoClassDefFoundError: no/Such",
                              "attach again", "detach"}));
    std::vector<std::string> expected = {"error GetObjectClass called with a local reference of another thread"};
    EXPECT_EQ(testVmErrors(log), expected);
}

TEST_F(TestVm, ScriptedProgramsStopAndAnswerSecondaryStarts) {
    struct Shared {
        JavaVM* vm;
    } shared = {vm};
    HANDLE service = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            JavaVM* v = static_cast<Shared*>(p)->vm;
            JNIEnv* e = nullptr;
            v->AttachCurrentThread(reinterpret_cast<void**>(&e), nullptr);
            callMain(e, "test/Service", {u"svc"});
            v->DetachCurrentThread();
            return 0;
        },
        &shared, 0, nullptr);
    ASSERT_TRUE(waitForLine(*logPath, "main waiting"));
    EXPECT_EQ(WaitForSingleObject(service, 200), static_cast<DWORD>(WAIT_TIMEOUT));  // waits for stop
    jclass cls = env->FindClass("test/Service");
    env->CallStaticVoidMethod(cls, env->GetStaticMethodID(cls, "stop", "()V"));
    EXPECT_EQ(WaitForSingleObject(service, 20000), static_cast<DWORD>(WAIT_OBJECT_0));
    CloseHandle(service);

    jclass singleInt = env->FindClass("test/SingleInt");
    EXPECT_EQ(env->GetStaticMethodID(singleInt, "secondaryMain", "([Ljava/lang/String;)V"), nullptr);
    env->ExceptionClear();
    jmethodID intForm = env->GetStaticMethodID(singleInt, "secondaryMain", "([Ljava/lang/String;)I");
    ASSERT_NE(intForm, nullptr);
    EXPECT_EQ(env->CallStaticIntMethod(singleInt, intForm, javaStrings(env, {u"a", u""})), 7);
    jclass single = env->FindClass("test/Single");
    jmethodID voidForm = env->GetStaticMethodID(single, "secondaryMain", "([Ljava/lang/String;)V");
    ASSERT_NE(voidForm, nullptr);
    jvalue arg;
    arg.l = javaStrings(env, {u"b"});
    env->CallStaticVoidMethodA(single, voidForm, &arg);
    env->CallStaticVoidMethod(singleInt, intForm, javaStrings(env, {}));  // the int form called as void

    std::vector<std::string> log = newLines();
    EXPECT_TRUE(inOrder(log, {"attach", "main args=1", "arg[0]=svc", "main waiting", "stop", "main returned", "detach",
                              "secondaryMain int args=2", "arg[0]=a", "arg[1]=", "secondaryMain returned 7",
                              "secondaryMain void args=1", "arg[0]=b"}));
    EXPECT_EQ(testVmArguments(log, "secondaryMain int").size(), 2u);
    std::vector<std::string> expected = {
        "error CallStaticVoidMethodV called with test/SingleInt.secondaryMain([Ljava/lang/String;)I, whose result is I"};
    EXPECT_EQ(testVmErrors(log), expected);
}

// ---------------------------------------------------------------- children

TEST(TestVmChild, DISABLED_CreationFailures) {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    EXPECT_EQ(createVm({{"-Dok=1"}, {"-Xfoo"}}, &vm, &env), JNI_EINVAL);
    EXPECT_EQ(createVm({{"-Xmx12q"}}, &vm, &env), JNI_EINVAL);
    EXPECT_EQ(createVm({{"-Xmx64m"}}, &vm, &env, JNI_VERSION_1_1), JNI_EVERSION);
    SetEnvironmentVariableW(L"TESTVM_CREATE_RESULT", L"-4");
    EXPECT_EQ(createVm({{"-Xmx64m"}}, &vm, &env), JNI_ENOMEM);
    SetEnvironmentVariableW(L"TESTVM_CREATE_RESULT", nullptr);
    EXPECT_EQ(vm, nullptr);
    EXPECT_EQ(createVm({{"-Xmx64m"}, {"exit", nullptr}}, &vm, &env), JNI_OK);
    EXPECT_NE(env, nullptr);
    EXPECT_EQ(createVm({}, &vm, &env), JNI_EEXIST);
}

TEST(TestVmChild, DISABLED_Redirection) {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    ASSERT_EQ(createVm({}, &vm, &env), JNI_OK);
    callMain(env, "test/Echo", {u"before"});
    std::wstring dir = workRoot() + L"\\" + widen(::testing::UnitTest::GetInstance()->current_test_info()->name());
    jclass system = env->FindClass("java/lang/System");
    env->CallStaticVoidMethod(system, env->GetStaticMethodID(system, "setOut", "(Ljava/io/PrintStream;)V"),
                              filePrintStream(env, dir + L"-out.txt", false));
    env->CallStaticVoidMethod(system, env->GetStaticMethodID(system, "setErr", "(Ljava/io/PrintStream;)V"),
                              filePrintStream(env, dir + L"-err.txt", true));
    callMain(env, "test/Echo", {u"a b", u"\u00fc"});
    env->FindClass("no/Such");
    env->ExceptionDescribe();
    callMain(env, "test/Throw", {});
    EXPECT_TRUE(env->ExceptionCheck());
    EXPECT_EQ(vm->DetachCurrentThread(), JNI_OK);  // prints the pending exception as uncaught
}

TEST(TestVmChild, DISABLED_ExitHook) {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    ASSERT_EQ(createVm({{"-Dtestvm.exit=7"}, {"exit", reinterpret_cast<void*>(&printExit)}}, &vm, &env), JNI_OK);
    callMain(env, "test/Exit", {});
    ADD_FAILURE() << "System.exit returned";
}

TEST(TestVmChild, DISABLED_StopExit) {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    ASSERT_EQ(createVm({{"-Dtestvm.stopexit=5"}}, &vm, &env), JNI_OK);
    jclass cls = env->FindClass("test/Service");
    env->CallStaticVoidMethod(cls, env->GetStaticMethodID(cls, "stop", "()V"));
    ADD_FAILURE() << "stop returned";
}

// Creates the VM on a thread with a 3 MB stack, runs test/Abort and test/NonDaemon
// there, and destroys the VM from the main thread.
TEST(TestVmChild, DISABLED_DestroyWaitsForNonDaemonThreads) {
    struct Shared {
        JavaVM* vm = nullptr;
        jint created = -1000;
    } shared;
    HANDLE t = CreateThread(
        nullptr, 3 * 1024 * 1024,
        [](void* p) -> DWORD {
            auto* s = static_cast<Shared*>(p);
            JNIEnv* env = nullptr;
            s->created = createVm({{"-Dtestvm.sleepms=1000"}, {"abort", reinterpret_cast<void*>(&printAbort)}}, &s->vm, &env);
            if (s->created != JNI_OK) return 1;
            callMain(env, "test/Abort", {});
            callMain(env, "test/NonDaemon", {});
            return s->vm->DetachCurrentThread() == JNI_OK ? 0 : 1;
        },
        &shared, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    ASSERT_NE(t, nullptr);
    WaitForSingleObject(t, INFINITE);
    DWORD code = 1;
    GetExitCodeThread(t, &code);
    CloseHandle(t);
    ASSERT_EQ(shared.created, JNI_OK);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(shared.vm->DestroyJavaVM(), JNI_OK);
}

TEST(TestVmChild, DISABLED_ThreadEndedAttached) {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    ASSERT_EQ(createVm({}, &vm, &env), JNI_OK);
    HANDLE t = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            JNIEnv* e = nullptr;
            return static_cast<DWORD>(static_cast<JavaVM*>(p)->AttachCurrentThread(reinterpret_cast<void**>(&e), nullptr));
        },
        vm, 0, nullptr);
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    EXPECT_EQ(vm->DetachCurrentThread(), JNI_OK);
    vm->DestroyJavaVM();
    ADD_FAILURE() << "DestroyJavaVM returned";
}

TEST(TestVmChild, DISABLED_UnimplementedFunction) {
    JavaVM* vm = nullptr;
    JNIEnv* env = nullptr;
    ASSERT_EQ(createVm({}, &vm, &env), JNI_OK);
    env->GetStaticFieldID(env->FindClass("java/lang/System"), "out", "Ljava/io/PrintStream;");
    ADD_FAILURE() << "an unimplemented function returned";
}

TEST(TestVmProcess, RejectsUnknownOptionsAndReportsForcedResults) {
    std::wstring log = newTestVmLog(L"failures");
    RunResult r = runChild("CreationFailures", log);
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(contains(r.err, "Unrecognized option: -Xfoo\n")) << r.err;
    EXPECT_TRUE(contains(r.err, "Invalid maximum heap size: -Xmx12q\n")) << r.err;
    std::vector<std::string> lines = testVmLog(log);
    EXPECT_TRUE(inOrder(lines, {"create version=0x10002 options=2 ignoreUnrecognized=0", "option[0]=-Dok=1",
                                "option[1]=-Xfoo", "unrecognized option -Xfoo", "create failed -6",
                                "invalid option -Xmx12q", "create failed -6", "create version=0x10001 options=1 ignoreUnrecognized=0",
                                "create failed -3", "create failed -4", "option[1]=exit extraInfo=null", "created",
                                "create version=0x10002 options=0 ignoreUnrecognized=0", "create failed -5"}))
        << ::testing::PrintToString(lines);
}

TEST(TestVmProcess, StreamsGoWhereSystemSetOutAndSetErrSendThem) {
    std::wstring log = newTestVmLog(L"redirect");
    std::wstring dir = workRoot() + L"\\DISABLED_Redirection";
    writeTextFile(dir + L"-out.txt", "stale\r\n");
    writeTextFile(dir + L"-err.txt", "earlier\r\n");
    RunResult r = runChild("Redirection", log);
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "arg[0]=before\r\n")) << r.out;
    EXPECT_FALSE(contains(r.out, "arg[0]=a b")) << r.out;
    EXPECT_EQ(r.err, "stderr line\r\n");
    EXPECT_EQ(readFile(dir + L"-out.txt"), "arg[0]=a b\r\narg[1]=\xC3\xBC\r\n");
    EXPECT_EQ(readFile(dir + L"-err.txt"),
              "earlier\r\n"
              "stderr line\r\n"
              "Exception in thread \"main\" java.lang.NoClassDefFoundError: no/Such\r\n"
              "\tat testvm.JNI.FindClass(Native Method)\r\n"
              "Exception in thread \"main\" java.lang.RuntimeException: boom\r\n"
              "\tat test.Throw.main(Throw.java)\r\n");
    std::vector<std::string> lines = testVmLog(log);
    EXPECT_TRUE(inOrder(lines, {"main args=2", "arg[0]=a b", "arg[1]=\xC3\xBC", "main returned",
                                "ExceptionDescribe java.lang.NoClassDefFoundError: no/Such",
                                "uncaught java.lang.RuntimeException: boom", "detach"}))
        << ::testing::PrintToString(lines);
    EXPECT_TRUE(testVmErrors(lines).empty()) << ::testing::PrintToString(lines);
}

TEST(TestVmProcess, SystemExitCallsTheExitHookAndEndsWithTheCode) {
    std::wstring log = newTestVmLog(L"exit");
    RunResult r = runChild("ExitHook", log);
    EXPECT_EQ(r.exitCode, 7u) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "exit hook 7")) << r.out;
    EXPECT_TRUE(inOrder(testVmLog(log), {"FindClass test/Exit", "main args=0", "exit 7", "exit hook returned"}));

    std::wstring stopLog = newTestVmLog(L"stopexit");
    r = runChild("StopExit", stopLog);
    EXPECT_EQ(r.exitCode, 5u) << r.out << r.err;
    EXPECT_TRUE(inOrder(testVmLog(stopLog), {"stop", "exit 5"}));
}

TEST(TestVmProcess, DestroyWaitsForNonDaemonThreadsAndReportsTheStack) {
    std::wstring log = newTestVmLog(L"destroy");
    RunResult r = runChild("DestroyWaitsForNonDaemonThreads", log);
    EXPECT_EQ(r.exitCode, 0u) << r.out << r.err;
    EXPECT_TRUE(contains(r.out, "abort hook")) << r.out;
    std::vector<std::string> lines = testVmLog(log);
    std::string stack;
    EXPECT_TRUE(logValue(lines, "stack=", stack));
    EXPECT_EQ(stack, std::to_string(3 * 1024 * 1024));
    EXPECT_TRUE(inOrder(lines, {"created", "abort", "abort hook returned", "main returned", "main args=0", "main returned",
                                "detach", "destroy begin", "strings held=0", "non-daemon done", "destroy end"}))
        << ::testing::PrintToString(lines);
    EXPECT_TRUE(testVmErrors(lines).empty()) << ::testing::PrintToString(lines);
}

TEST(TestVmProcess, AThreadThatEndedAttachedEndsDestroyWith98) {
    std::wstring log = newTestVmLog(L"ended");
    RunResult r = runChild("ThreadEndedAttached", log);
    EXPECT_EQ(r.exitCode, 98u) << r.out << r.err;
    std::vector<std::string> errors = testVmErrors(testVmLog(log));
    ASSERT_EQ(errors.size(), 1u) << ::testing::PrintToString(errors);
    EXPECT_EQ(errors[0].rfind("error thread ", 0), 0u);
    EXPECT_TRUE(contains(errors[0], " ended attached: DestroyJavaVM would wait for ever")) << errors[0];
    EXPECT_TRUE(contains(r.err, "ended attached")) << r.err;
}

TEST(TestVmProcess, UnimplementedFunctionsEndTheProcessWith99) {
    std::wstring log = newTestVmLog(L"unimplemented");
    RunResult r = runChild("UnimplementedFunction", log);
    EXPECT_EQ(r.exitCode, 99u) << r.out << r.err;
    size_t index = offsetof(JNINativeInterface_, GetStaticFieldID) / sizeof(void*);
    std::string line = "error unimplemented JNI function " + std::to_string(index);
    EXPECT_EQ(testVmErrors(testVmLog(log)), std::vector<std::string>{line});
    EXPECT_TRUE(contains(r.err, "unimplemented JNI function " + std::to_string(index))) << r.err;
}

// ---------------------------------------------------------------- the DLL files

// Reads a PE file's export names and imported DLL names.
struct PeImage {
    std::string bytes;
    bool ok = false;
    std::vector<std::string> exports;
    std::vector<std::string> imports;

    explicit PeImage(const std::wstring& path) {
        if (!readTextFile(path, bytes) || bytes.size() < 0x40) return;
        uint32_t pe = u32(0x3C);
        if (bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return;
        uint16_t sections = u16(pe + 6);
        uint16_t optionalSize = u16(pe + 20);
        size_t optional = pe + 24;
        bool pe32plus = u16(optional) == 0x20B;
        size_t dirs = optional + (pe32plus ? 112 : 96);
        sectionTable = optional + optionalSize;
        sectionCount = sections;
        uint32_t exportRva = u32(dirs), importRva = u32(dirs + 8);
        if (exportRva) {
            size_t dir = offset(exportRva);
            uint32_t names = u32(dir + 24), nameTable = u32(dir + 32);
            for (uint32_t i = 0; i < names; ++i) exports.push_back(text(u32(offset(nameTable) + 4 * i)));
        }
        if (importRva) {
            for (size_t d = offset(importRva); u32(d + 12) != 0; d += 20) imports.push_back(text(u32(d + 12)));
        }
        ok = true;
    }

    uint16_t u16(size_t at) const {
        uint16_t v = 0;
        if (at + 2 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 2);
        return v;
    }
    uint32_t u32(size_t at) const {
        uint32_t v = 0;
        if (at + 4 <= bytes.size()) std::memcpy(&v, bytes.data() + at, 4);
        return v;
    }
    size_t offset(uint32_t rva) const {
        for (size_t i = 0; i < sectionCount; ++i) {
            size_t s = sectionTable + 40 * i;
            uint32_t va = u32(s + 12), size = u32(s + 16), raw = u32(s + 20);
            if (rva >= va && rva < va + size) return raw + (rva - va);
        }
        return bytes.size();
    }
    std::string text(uint32_t rva) const {
        size_t at = offset(rva);
        return at < bytes.size() ? std::string(bytes.c_str() + at) : std::string();
    }

    size_t sectionTable = 0;
    size_t sectionCount = 0;
};

void checkLibraryFile(const std::wstring& path) {
    PeImage image(path);
    ASSERT_TRUE(image.ok) << narrow(path);
    std::vector<std::string> expected = {"JNI_CreateJavaVM", "JNI_GetCreatedJavaVMs", "JNI_GetDefaultJavaVMInitArgs"};
    EXPECT_EQ(image.exports, expected) << narrow(path);
    for (const std::string& dll : image.imports) {
        std::string lower = dll;
        for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(lower == "kernel32.dll" || lower == "msvcrt.dll" || lower == "user32.dll" || lower == "advapi32.dll")
            << narrow(path) << " imports " << dll;
    }
}

TEST(TestVmLibrary, ExportsThePlainNamesAndNeedsOnlyWindowsDlls) {
    checkLibraryFile(testVmDll());
    std::wstring dll32 = windowsPath(TESTVM32_DLL);
    if (!pathExists(dll32)) GTEST_SKIP() << "the 32-bit build is missing: " << TESTVM32_DLL;
    checkLibraryFile(dll32);
    PeImage image(dll32);
    EXPECT_EQ(image.u16(image.u32(0x3C) + 4), 0x014C);  // an x86 image
}

}  // namespace
