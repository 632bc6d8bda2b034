// The test VM's core: text, the log, the lock, classes, objects, threads and
// references.
#include "vm.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

namespace testvm {

namespace {

CRITICAL_SECTION& vmLock() {
    static CRITICAL_SECTION section;
    static bool ready = [] {
        InitializeCriticalSection(&section);
        return true;
    }();
    (void)ready;
    return section;
}

CRITICAL_SECTION& logLock() {
    static CRITICAL_SECTION section;
    static bool ready = [] {
        InitializeCriticalSection(&section);
        return true;
    }();
    (void)ready;
    return section;
}

}  // namespace

// ================================================================ text

std::string utf8(const std::u16string& text) {
    if (text.empty()) return std::string();
    const wchar_t* w = reinterpret_cast<const wchar_t*>(text.data());
    int n = WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::u16string utf16(const std::string& text) {
    if (text.empty()) return std::u16string();
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), reinterpret_cast<wchar_t*>(&out[0]),
                        n);
    return out;
}

std::string fromAnsi(const char* text) {
    if (!text || !*text) return std::string();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::u16string wide(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<wchar_t*>(&wide[0]), n);
    wide.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return utf8(wide);
}

// Java's "modified UTF-8": U+0000 as C0 80, every UTF-16 unit (surrogates
// included) encoded on its own in one to three bytes.
std::string modifiedUtf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c != 0 && c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromModifiedUtf8(const char* text) {
    std::u16string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        unsigned c = *p;
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
            p += 1;
        } else if ((c & 0xE0) == 0xC0 && (p[1] & 0xC0) == 0x80) {
            out += static_cast<char16_t>(((c & 0x1F) << 6) | (p[1] & 0x3F));
            p += 2;
        } else if ((c & 0xF0) == 0xE0 && (p[1] & 0xC0) == 0x80 && (p[2] & 0xC0) == 0x80) {
            out += static_cast<char16_t>(((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
            p += 3;
        } else {  // not modified UTF-8: take the byte as Latin-1, as lenient VMs do
            out += static_cast<char16_t>(c);
            p += 1;
        }
    }
    return out;
}

std::string number(long long value) { return std::to_string(value); }

std::string hex(unsigned long value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%lx", value);
    return buffer;
}

// ================================================================ log

void log(const std::vector<std::string>& lines) {
    wchar_t path[1024];
    DWORD n = GetEnvironmentVariableW(L"TESTVM_LOG", path, 1024);
    if (n == 0 || n >= 1024) return;
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    EnterCriticalSection(&logLock());
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 50 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) Sleep(2);
    }
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }
    LeaveCriticalSection(&logLock());
}

void log(const std::string& line) { log(std::vector<std::string>{line}); }

void misuse(const std::string& text) { log("error " + text); }

void fatal(const std::string& text, UINT exitCode) {
    log("error " + text);
    std::string line = "testvm: " + text + "\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    ExitProcess(exitCode);
}

// ================================================================ lock

Lock::Lock() { EnterCriticalSection(&vmLock()); }
Lock::~Lock() { LeaveCriticalSection(&vmLock()); }
Unlock::Unlock() { LeaveCriticalSection(&vmLock()); }
Unlock::~Unlock() { EnterCriticalSection(&vmLock()); }

// ================================================================ objects

namespace {
const ClassInfo* bootClass(const char* name);
}

ClassObject::ClassObject(const ClassInfo* i) : Object(Kind::Class, bootClass("java/lang/Class")), info(i) {}
StringObject::StringObject(std::u16string t) : Object(Kind::String, bootClass("java/lang/String")), text(std::move(t)) {}
CharArrayObject::CharArrayObject(size_t length) : Object(Kind::CharArray, bootClass("[C")), items(length, 0) {}
ObjectArrayObject::ObjectArrayObject(const ClassInfo* arrayClass, size_t length)
    : Object(Kind::ObjectArray, arrayClass), items(length, nullptr) {}
FileStreamObject::FileStreamObject(HANDLE h, bool owns)
    : Object(Kind::FileStream, bootClass("java/io/FileOutputStream")), handle(h), owned(owns) {}
FileStreamObject::~FileStreamObject() {
    if (owned && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}
ByteStreamObject::ByteStreamObject() : Object(Kind::ByteStream, bootClass("java/io/ByteArrayOutputStream")) {}
PrintStreamObject::PrintStreamObject(Object* out) : Object(Kind::PrintStream, bootClass("java/io/PrintStream")), target(out) {}
ThrowableObject::ThrowableObject(const ClassInfo* c, const std::u16string* m, std::string where)
    : Object(Kind::Throwable, c), hasMessage(m != nullptr), message(m ? *m : std::u16string()), frame(std::move(where)) {}

// ================================================================ classes

namespace {

std::map<std::string, ClassInfo*>& classes() {
    static std::map<std::string, ClassInfo*> all;
    return all;
}

std::set<const MethodInfo*>& methods() {
    static std::set<const MethodInfo*> all;
    return all;
}

void ensureClasses() {
    static bool defined = false;
    if (defined) return;
    defined = true;
    definePlatformClasses();
    defineScripts();
    defineLaunchFormClasses();
}

const ClassInfo* bootClass(const char* name) {
    Lock lock;  // array classes are added while Java code runs
    auto it = classes().find(name);
    return it == classes().end() ? nullptr : it->second;
}

// Splits "(I[Ljava/lang/String;)V" into parameter descriptors and the result.
bool parseSignature(const std::string& sig, std::vector<std::string>& params, std::string& result) {
    if (sig.empty() || sig[0] != '(') return false;
    size_t i = 1;
    auto one = [&](std::string& out) {
        size_t start = i;
        while (i < sig.size() && sig[i] == '[') ++i;
        if (i >= sig.size()) return false;
        if (sig[i] == 'L') {
            size_t end = sig.find(';', i);
            if (end == std::string::npos) return false;
            i = end + 1;
        } else if (std::string("ZBCSIJFDV").find(sig[i]) != std::string::npos) {
            ++i;
        } else {
            return false;
        }
        out = sig.substr(start, i - start);
        return true;
    };
    while (i < sig.size() && sig[i] != ')') {
        std::string p;
        if (!one(p)) return false;
        params.push_back(p);
    }
    if (i >= sig.size()) return false;
    ++i;
    return one(result) && i == sig.size();
}

}  // namespace

std::string ClassInfo::dottedName() const {
    std::string n = name;
    for (char& c : n) {
        if (c == '/') c = '.';
    }
    return n;
}

ClassInfo* defineClass(const char* name, const char* superName) {
    auto it = classes().find(name);
    if (it != classes().end()) return it->second;
    auto* info = new ClassInfo;
    info->name = name;
    if (superName) {
        info->super = classes().at(superName);
        info->throwable = info->super->throwable;
    }
    classes()[name] = info;
    info->object = new ClassObject(info);
    return info;
}

void defineMethod(ClassInfo* cls, const char* name, const char* signature, bool isStatic, Impl impl) {
    auto* m = new MethodInfo{cls, name, signature, isStatic, impl, {}, {}};
    if (!parseSignature(signature, m->parameters, m->result)) fatal(std::string("bad signature ") + signature, 97);
    cls->methods.push_back(m);
    methods().insert(m);
}

namespace {

void constructThrowable(Frame& f) {
    const Object* m = f.objects.empty() ? nullptr : f.objects[0];
    const std::u16string* text = m ? &static_cast<const StringObject*>(m)->text : nullptr;
    f.result = new ThrowableObject(f.cls, text, "testvm.Native.newObject(Native Method)");
}

}  // namespace

ClassInfo* defineThrowable(const char* name, const char* superName) {
    ClassInfo* c = defineClass(name, superName);
    c->throwable = true;
    defineMethod(c, "<init>", "()V", false, constructThrowable);
    defineMethod(c, "<init>", "(Ljava/lang/String;)V", false, constructThrowable);
    return c;
}

const ClassInfo* arrayClassOf(const ClassInfo* element) {
    std::string name = element->name[0] == '[' ? "[" + element->name : "[L" + element->name + ";";
    auto it = classes().find(name);
    if (it != classes().end()) return it->second;
    auto* info = new ClassInfo;
    info->name = name;
    info->super = classes().at("java/lang/Object");
    info->element = element;
    classes()[name] = info;
    info->object = new ClassObject(info);
    return info;
}

const ClassInfo* lookupClass(const std::string& name) {
    Lock lock;
    ensureClasses();
    auto it = classes().find(name);
    if (it != classes().end()) return it->second;
    if (name.size() > 1 && name[0] == '[') {
        std::string inner = name.substr(1);
        if (inner.size() > 2 && inner[0] == 'L' && inner.back() == ';') inner = inner.substr(1, inner.size() - 2);
        else if (inner[0] != '[') return nullptr;
        const ClassInfo* element = lookupClass(inner);
        return element ? arrayClassOf(element) : nullptr;
    }
    return nullptr;
}

const ClassInfo* classNamed(const char* name) {
    const ClassInfo* c = lookupClass(name);
    if (!c) fatal(std::string("no class ") + name, 97);
    return c;
}

bool isSubclass(const ClassInfo* cls, const ClassInfo* of) {
    if (!cls || !of) return false;
    if (cls->element && of->element) {  // arrays of references are covariant
        if (cls->name[1] == 'L' || cls->name[1] == '[') return isSubclass(cls->element, of->element);
        return cls == of;
    }
    for (const ClassInfo* c = cls; c; c = c->super) {
        if (c == of) return true;
    }
    return false;
}

bool isInstance(const Object* object, const std::string& descriptor) {
    if (!object) return true;
    std::string name = descriptor;
    if (name.size() > 2 && name[0] == 'L') name = name.substr(1, name.size() - 2);
    const ClassInfo* c = lookupClass(name);
    return c && isSubclass(object->cls, c);
}

const MethodInfo* findMethod(const ClassInfo* cls, const std::string& name, const std::string& signature,
                             bool isStatic) {
    for (const ClassInfo* c = cls; c; c = c->super) {
        for (const MethodInfo* m : c->methods) {
            if (m->name == name && m->signature == signature && m->isStatic == isStatic) return m;
        }
        if (name == "<init>") break;
    }
    return nullptr;
}

bool validMethod(const MethodInfo* method) {
    Lock lock;
    return methods().count(method) != 0;
}

// ================================================================ threads

namespace {

std::vector<ThreadEnv*>& envs() {
    static std::vector<ThreadEnv*> all;
    return all;
}

int threadCounter = 0;

ThreadEnv* newEnv(DWORD id, HANDLE handle, const char* name, bool daemon) {
    auto* env = new ThreadEnv;
    env->functions = nativeInterface();
    env->threadId = id;
    env->handle = handle;
    env->name = name ? name : "Thread-" + number(threadCounter++);
    env->daemon = daemon;
    envs().push_back(env);
    return env;
}

}  // namespace

JNIEnv* jniEnv(ThreadEnv* env) { return reinterpret_cast<JNIEnv*>(env); }

ThreadEnv* currentEnv() {
    Lock lock;
    DWORD id = GetCurrentThreadId();
    for (ThreadEnv* env : envs()) {
        if (env->attached && env->threadId == id) return env;
    }
    return nullptr;
}

ThreadEnv* attachCurrentThread(const char* name, bool daemon) {
    Lock lock;
    HANDLE self = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, SYNCHRONIZE, FALSE, 0);
    return newEnv(GetCurrentThreadId(), self, name, daemon);
}

ThreadEnv* attachCreatedThread(DWORD threadId, HANDLE handle, const char* name, bool daemon) {
    Lock lock;
    return newEnv(threadId, handle, name, daemon);
}

struct Ref {
    Object* object;
    ThreadEnv* owner;  // null for global references
    bool deleted;
};

namespace {
std::set<const void*>& refs() {
    static std::set<const void*> all;
    return all;
}
}  // namespace

void detachThread(ThreadEnv* env) {
    Lock lock;
    env->attached = false;
    for (void* r : env->locals) static_cast<Ref*>(r)->deleted = true;
    env->locals.clear();
}

ThreadEnv* knownEnv(JNIEnv* jni) {
    Lock lock;
    for (ThreadEnv* env : envs()) {
        if (jniEnv(env) == jni) return env;
    }
    return nullptr;
}

std::vector<ThreadEnv*> waitedThreads(DWORD callerId) {
    Lock lock;
    std::vector<ThreadEnv*> out;
    for (ThreadEnv* env : envs()) {
        if (env->attached && !env->daemon && env->threadId != callerId) out.push_back(env);
    }
    return out;
}

// ================================================================ references

Call::Call(JNIEnv* jni, const char* function, bool exceptionSafe) : env_(nullptr), function_(function) {
    ThreadEnv* given = knownEnv(jni);
    ThreadEnv* current = currentEnv();
    if (!given) {
        fail("called with an unknown JNIEnv");
        env_ = current;
    } else if (!given->attached) {
        fail("called with the JNIEnv of a detached thread");
        env_ = current;
    } else if (given->threadId != GetCurrentThreadId()) {
        fail(current ? "called with another thread's JNIEnv" : "called on a thread that is not attached");
        env_ = given;
    } else {
        env_ = given;
    }
    if (env_ && env_->pending && !exceptionSafe) fail("called with a pending exception");
}

void Call::fail(const std::string& what) { misuse(std::string(function_) + " " + what); }

Object* Call::object(jobject ref) {
    if (!ref) return nullptr;
    if (!refs().count(ref)) {
        fail("called with an invalid reference");
        return nullptr;
    }
    Ref* r = reinterpret_cast<Ref*>(ref);
    if (r->deleted) {
        fail("called with a deleted reference");
        return nullptr;
    }
    if (r->owner && r->owner != env_) fail("called with a local reference of another thread");
    return r->object;
}

const ClassInfo* Call::cls(jclass ref) {
    if (!ref) {
        fail("called with a null class");
        return nullptr;
    }
    Object* o = object(ref);
    if (!o) return nullptr;
    if (o->kind != Kind::Class) {
        fail("called with an object that is not a class");
        return nullptr;
    }
    return static_cast<ClassObject*>(o)->info;
}

const MethodInfo* Call::method(jmethodID id) {
    const MethodInfo* m = reinterpret_cast<const MethodInfo*>(id);
    if (!id || !validMethod(m)) {
        fail("called with an invalid method ID");
        return nullptr;
    }
    return m;
}

jobject Call::local(Object* object) {
    if (!object || !env_) return nullptr;
    Ref* r = new Ref{object, env_, false};
    refs().insert(r);
    env_->locals.push_back(r);
    return reinterpret_cast<jobject>(r);
}

jobject newGlobalRef(Object* object) {
    if (!object) return nullptr;
    Lock lock;
    Ref* r = new Ref{object, nullptr, false};
    refs().insert(r);
    return reinterpret_cast<jobject>(r);
}

bool deleteLocalRef(Call& call, jobject ref) {
    if (!ref) return true;
    if (!refs().count(ref)) {
        call.fail("called with an invalid reference");
        return false;
    }
    Ref* r = reinterpret_cast<Ref*>(ref);
    if (r->deleted) {
        call.fail("called with a deleted reference");
        return false;
    }
    if (!r->owner) {
        call.fail("called with a global reference");
        return false;
    }
    if (r->owner != call.env()) {
        call.fail("called with a local reference of another thread");
        return false;
    }
    r->deleted = true;
    auto& locals = r->owner->locals;
    for (auto it = locals.begin(); it != locals.end(); ++it) {
        if (*it == r) {
            locals.erase(it);
            break;
        }
    }
    return true;
}

bool deleteGlobalRef(Call& call, jobject ref) {
    if (!ref) return true;
    if (!refs().count(ref)) {
        call.fail("called with an invalid reference");
        return false;
    }
    Ref* r = reinterpret_cast<Ref*>(ref);
    if (r->deleted) {
        call.fail("called with a deleted reference");
        return false;
    }
    if (r->owner) {
        call.fail("called with a local reference");
        return false;
    }
    r->deleted = true;
    return true;
}

// ================================================================ VM state

Hooks& hooks() {
    static Hooks h;
    return h;
}

namespace {
std::map<std::string, std::string>& properties() {
    static std::map<std::string, std::string> all;
    return all;
}
Object* outStream = nullptr;
Object* errStream = nullptr;
}  // namespace

std::string property(const std::string& name, const std::string& fallback) {
    Lock lock;
    auto it = properties().find(name);
    return it == properties().end() ? fallback : it->second;
}

long propertyNumber(const std::string& name, long fallback) {
    std::string text = property(name, "");
    if (text.empty()) return fallback;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    return (end && *end == 0) ? value : fallback;
}

void setProperty(const std::string& name, const std::string& value) {
    Lock lock;
    properties()[name] = value;
}

Object* systemOut() {
    Lock lock;
    return outStream;
}
Object* systemErr() {
    Lock lock;
    return errStream;
}
void setSystemOut(Object* printStream) {
    Lock lock;
    outStream = printStream;
}
void setSystemErr(Object* printStream) {
    Lock lock;
    errStream = printStream;
}

void initStandardStreams() {
    Lock lock;
    ensureClasses();
    outStream = new PrintStreamObject(new FileStreamObject(GetStdHandle(STD_OUTPUT_HANDLE), false));
    errStream = new PrintStreamObject(new FileStreamObject(GetStdHandle(STD_ERROR_HANDLE), false));
}

void writeBytes(Object* stream, const std::string& bytes) {
    Lock lock;
    if (!stream) return;
    switch (stream->kind) {
    case Kind::FileStream: {
        HANDLE h = static_cast<FileStreamObject*>(stream)->handle;
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD n = 0;
            if (!WriteFile(h, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &n, nullptr) || n == 0)
                break;
            done += n;
        }
        break;
    }
    case Kind::ByteStream:
        static_cast<ByteStreamObject*>(stream)->bytes += bytes;
        break;
    case Kind::PrintStream:
        writeBytes(static_cast<PrintStreamObject*>(stream)->target, bytes);
        break;
    default:
        break;
    }
}

void printLine(Object* printStream, const std::string& text) { writeBytes(printStream, text + "\r\n"); }

void raise(ThreadEnv* env, const char* className, const std::string& message, const std::string& frame) {
    if (!env) return;
    Lock lock;
    std::u16string m = utf16(message);
    env->pending = new ThrowableObject(classNamed(className), &m, frame);
}

std::string describe(const ThrowableObject* t) {
    std::string text = t->cls->dottedName();
    if (t->hasMessage) text += ": " + utf8(t->message);
    return text;
}

void printStackTrace(const ThrowableObject* t, Object* printStream, const std::string& header) {
    writeBytes(printStream, header + describe(t) + "\r\n\tat " + t->frame + "\r\n");
}

void systemExit(jint code) {
    log("exit " + number(code));
    if (hooks().exitHook) {
        hooks().exitHook(code);
        log("exit hook returned");
    }
    ExitProcess(static_cast<UINT>(code));
}

void callAbortHook() {
    log("abort");
    if (hooks().abortHook) {
        hooks().abortHook();
        log("abort hook returned");
    }
}

std::vector<std::u16string> stringArray(const Object* array, bool& isNull) {
    Lock lock;
    std::vector<std::u16string> out;
    isNull = array == nullptr;
    if (!array || array->kind != Kind::ObjectArray) return out;
    for (const Object* o : static_cast<const ObjectArrayObject*>(array)->items) {
        out.push_back(o && o->kind == Kind::String ? static_cast<const StringObject*>(o)->text : u"null");
    }
    return out;
}

HANDLE stopEvent() {
    static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

}  // namespace testvm
