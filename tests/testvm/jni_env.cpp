// The test VM's JNIEnv function table. The functions that a launcher needs are
// implemented with the checks of a strict VM; every other slot ends the process.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <set>
#include <utility>

#include "vm.h"

namespace testvm {
namespace {

// ---------------------------------------------------------------- calls

enum class CallKind { Static, Virtual, Constructor };

struct Args {
    const jvalue* values;  // the A forms
    va_list* list;         // the V forms and the variadic ones
};

jvalue readArg(char type, Args& a, size_t index) {
    if (a.values) return a.values[index];
    jvalue v;
    v.j = 0;
    switch (type) {
    case 'Z': v.z = static_cast<jboolean>(va_arg(*a.list, int)); break;
    case 'B': v.b = static_cast<jbyte>(va_arg(*a.list, int)); break;
    case 'C': v.c = static_cast<jchar>(va_arg(*a.list, int)); break;
    case 'S': v.s = static_cast<jshort>(va_arg(*a.list, int)); break;
    case 'I': v.i = va_arg(*a.list, jint); break;
    case 'J': v.j = va_arg(*a.list, jlong); break;
    case 'F': v.f = static_cast<jfloat>(va_arg(*a.list, double)); break;
    case 'D': v.d = va_arg(*a.list, double); break;
    default: v.l = va_arg(*a.list, jobject); break;
    }
    return v;
}

// Runs a method for Call<Type>Method, CallStatic<Type>Method and NewObject.
// `expected` is the result kind of the JNI function: 'V', 'I' or 'L'.
jvalue invoke(JNIEnv* jni, const char* function, CallKind kind, jobject target, jmethodID id, char expected,
              Args args) {
    jvalue out;
    out.j = 0;
    Call c(jni, function);
    if (!c.usable()) return out;
    const MethodInfo* m = c.method(id);
    if (!m) return out;
    const std::string full = m->owner->name + "." + m->name + m->signature;

    // Read every argument first: a va_list can be walked only in order.
    std::vector<jvalue> values;
    for (size_t i = 0; i < m->parameters.size(); ++i) values.push_back(readArg(m->parameters[i][0], args, i));

    Frame f;
    f.env = c.env();
    f.method = m;
    switch (kind) {
    case CallKind::Static: {
        const ClassInfo* cls = c.cls(static_cast<jclass>(target));
        if (!cls) return out;
        if (!m->isStatic) {
            c.fail("called with the instance method " + full);
            return out;
        }
        if (!isSubclass(cls, m->owner)) {
            c.fail("called with class " + cls->name + " for " + full);
            return out;
        }
        f.cls = cls;
        break;
    }
    case CallKind::Virtual: {
        if (m->isStatic || m->name == "<init>") {
            c.fail("called with " + std::string(m->isStatic ? "the static method " : "the constructor ") + full);
            return out;
        }
        Object* self = c.object(target);
        if (!self) {
            if (!target) c.fail("called with a null object");
            return out;
        }
        if (!isSubclass(self->cls, m->owner)) {
            c.fail("called on a " + self->cls->name + " with " + full);
            return out;
        }
        const MethodInfo* actual = findMethod(self->cls, m->name, m->signature, false);
        if (actual) m = actual;  // virtual dispatch
        f.self = self;
        f.cls = self->cls;
        f.method = m;
        break;
    }
    case CallKind::Constructor: {
        const ClassInfo* cls = c.cls(static_cast<jclass>(target));
        if (!cls) return out;
        if (m->name != "<init>") {
            c.fail("called with the method " + full);
            return out;
        }
        if (m->owner != cls) {
            c.fail("called with class " + cls->name + " for " + full);
            return out;
        }
        f.cls = cls;
        break;
    }
    }
    if (kind != CallKind::Constructor) {
        char r = m->result[0];
        bool fits = expected == 'L' ? (r == 'L' || r == '[') : r == expected;
        if (!fits) c.fail("called with " + full + ", whose result is " + m->result);
    }
    for (size_t i = 0; i < m->parameters.size(); ++i) {
        const std::string& p = m->parameters[i];
        Object* o = nullptr;
        if (p[0] == 'L' || p[0] == '[') {
            o = c.object(values[i].l);
            if (values[i].l && !o) return out;  // logged by object()
            if (!isInstance(o, p)) {
                c.fail("called with a " + o->cls->name + " as argument " + number(static_cast<long long>(i)) +
                       " of " + full);
                return out;
            }
        }
        f.args.push_back(values[i]);
        f.objects.push_back(o);
    }

    ThreadEnv* env = c.env();
    env->javaDepth++;
    {
        Unlock unlock;  // Java code runs without the VM lock
        m->impl(f);
    }
    env->javaDepth--;
    if (env->pending) return out;
    if (kind == CallKind::Constructor || expected == 'L') out.l = c.local(f.result);
    else if (expected == 'I') out.i = f.intResult;
    return out;
}

jobject JNICALL NewObjectA(JNIEnv* env, jclass cls, jmethodID id, const jvalue* args) {
    return invoke(env, "NewObjectA", CallKind::Constructor, cls, id, 'L', Args{args, nullptr}).l;
}
jobject JNICALL NewObjectV(JNIEnv* env, jclass cls, jmethodID id, va_list list) {
    va_list copy;
    va_copy(copy, list);
    jobject o = invoke(env, "NewObjectV", CallKind::Constructor, cls, id, 'L', Args{nullptr, &copy}).l;
    va_end(copy);
    return o;
}
jobject JNICALL NewObject(JNIEnv* env, jclass cls, jmethodID id, ...) {
    va_list list;
    va_start(list, id);
    jobject o = invoke(env, "NewObject", CallKind::Constructor, cls, id, 'L', Args{nullptr, &list}).l;
    va_end(list);
    return o;
}

// The Call functions, in the three forms each.
#define CALL_FORMS(Name, kind, expected, Result, field, Target)                                         \
    Result JNICALL Name##A(JNIEnv* env, Target target, jmethodID id, const jvalue* args) {              \
        return static_cast<Result>(invoke(env, #Name "A", kind, target, id, expected, Args{args, nullptr}).field); \
    }                                                                                                   \
    Result JNICALL Name##V(JNIEnv* env, Target target, jmethodID id, va_list list) {                    \
        va_list copy;                                                                                   \
        va_copy(copy, list);                                                                            \
        jvalue v = invoke(env, #Name "V", kind, target, id, expected, Args{nullptr, &copy});            \
        va_end(copy);                                                                                   \
        return static_cast<Result>(v.field);                                                            \
    }                                                                                                   \
    Result JNICALL Name(JNIEnv* env, Target target, jmethodID id, ...) {                                \
        va_list list;                                                                                   \
        va_start(list, id);                                                                             \
        jvalue v = invoke(env, #Name, kind, target, id, expected, Args{nullptr, &list});                \
        va_end(list);                                                                                   \
        return static_cast<Result>(v.field);                                                            \
    }

#define VOID_CALL_FORMS(Name, kind, Target)                                                             \
    void JNICALL Name##A(JNIEnv* env, Target target, jmethodID id, const jvalue* args) {                \
        invoke(env, #Name "A", kind, target, id, 'V', Args{args, nullptr});                             \
    }                                                                                                   \
    void JNICALL Name##V(JNIEnv* env, Target target, jmethodID id, va_list list) {                      \
        va_list copy;                                                                                   \
        va_copy(copy, list);                                                                            \
        invoke(env, #Name "V", kind, target, id, 'V', Args{nullptr, &copy});                            \
        va_end(copy);                                                                                   \
    }                                                                                                   \
    void JNICALL Name(JNIEnv* env, Target target, jmethodID id, ...) {                                  \
        va_list list;                                                                                   \
        va_start(list, id);                                                                             \
        invoke(env, #Name, kind, target, id, 'V', Args{nullptr, &list});                                \
        va_end(list);                                                                                   \
    }

VOID_CALL_FORMS(CallStaticVoidMethod, CallKind::Static, jclass)
VOID_CALL_FORMS(CallVoidMethod, CallKind::Virtual, jobject)
CALL_FORMS(CallStaticIntMethod, CallKind::Static, 'I', jint, i, jclass)
CALL_FORMS(CallObjectMethod, CallKind::Virtual, 'L', jobject, l, jobject)
CALL_FORMS(CallStaticObjectMethod, CallKind::Static, 'L', jobject, l, jclass)

// ---------------------------------------------------------------- classes and methods

jint JNICALL GetVersion(JNIEnv* env) {
    Call c(env, "GetVersion", true);
    return JNI_VERSION_1_8;
}

// With -Dtestvm.openclasspath=1 the test programs' classes are found only when
// every class path entry opens, as a real VM reads classes from them: an entry
// mangled on its way through the narrow code page is not found.
bool classPathOpens() {
    std::string list = property("java.class.path", "");
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t sep = list.find(';', pos);
        if (sep == std::string::npos) sep = list.size();
        const std::string entry = list.substr(pos, sep - pos);
        if (!entry.empty()) {
            const std::u16string wide = utf16(entry);
            if (GetFileAttributesW(reinterpret_cast<const wchar_t*>(wide.c_str())) == INVALID_FILE_ATTRIBUTES) {
                log("class path entry does not open: " + entry);
                return false;
            }
        }
        pos = sep + 1;
    }
    return true;
}

jclass JNICALL FindClass(JNIEnv* env, const char* name) {
    Call c(env, "FindClass");
    if (!name) {
        c.fail("called with a null name");
        return nullptr;
    }
    std::string text = utf8(fromModifiedUtf8(name));
    log("FindClass " + text);
    if (!c.usable()) return nullptr;
    const bool unreadable = text.compare(0, 5, "test/") == 0 && property("testvm.openclasspath", "") == "1" &&
                            !classPathOpens();
    const ClassInfo* cls = unreadable ? nullptr : lookupClass(name);
    if (!cls) {
        raise(c.env(), "java/lang/NoClassDefFoundError", text, "testvm.JNI.FindClass(Native Method)");
        return nullptr;
    }
    return static_cast<jclass>(c.local(cls->object));
}

jmethodID lookupMethod(JNIEnv* env, const char* function, jclass clazz, const char* name, const char* sig,
                       bool isStatic) {
    Call c(env, function);
    const ClassInfo* cls = c.cls(clazz);
    if (!name || !sig) {
        c.fail("called with a null name or signature");
        return nullptr;
    }
    log(std::string(function) + " " + (cls ? cls->name : std::string("?")) + " " + name + " " + sig);
    if (!cls || !c.usable()) return nullptr;
    const MethodInfo* m = findMethod(cls, name, sig, isStatic);
    if (!m) {
        if (propertyNumber("testvm.methoderror", 1) != 0)
            raise(c.env(), "java/lang/NoSuchMethodError", name, std::string("testvm.JNI.") + function + "(Native Method)");
        return nullptr;
    }
    return reinterpret_cast<jmethodID>(const_cast<MethodInfo*>(m));
}

jmethodID JNICALL GetMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return lookupMethod(env, "GetMethodID", cls, name, sig, false);
}

jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass cls, const char* name, const char* sig) {
    return lookupMethod(env, "GetStaticMethodID", cls, name, sig, true);
}

jclass JNICALL GetObjectClass(JNIEnv* env, jobject obj) {
    Call c(env, "GetObjectClass");
    Object* o = c.object(obj);
    if (!o) {
        if (!obj) c.fail("called with a null object");
        return nullptr;
    }
    return static_cast<jclass>(c.local(o->cls->object));
}

jboolean JNICALL IsInstanceOf(JNIEnv* env, jobject obj, jclass clazz) {
    Call c(env, "IsInstanceOf");
    const ClassInfo* cls = c.cls(clazz);
    Object* o = c.object(obj);
    if (!obj) return JNI_TRUE;
    return (o && cls && isSubclass(o->cls, cls)) ? JNI_TRUE : JNI_FALSE;
}

jboolean JNICALL IsSameObject(JNIEnv* env, jobject a, jobject b) {
    Call c(env, "IsSameObject");
    return c.object(a) == c.object(b) ? JNI_TRUE : JNI_FALSE;
}

// ---------------------------------------------------------------- exceptions

jint JNICALL Throw(JNIEnv* env, jthrowable obj) {
    Call c(env, "Throw");
    Object* o = c.object(obj);
    if (!o || o->kind != Kind::Throwable) {
        c.fail("called without a throwable");
        return JNI_ERR;
    }
    if (c.usable()) c.env()->pending = static_cast<ThrowableObject*>(o);
    return JNI_OK;
}

jint JNICALL ThrowNew(JNIEnv* env, jclass clazz, const char* message) {
    Call c(env, "ThrowNew");
    const ClassInfo* cls = c.cls(clazz);
    if (!cls || !cls->throwable) {
        if (cls) c.fail("called with " + cls->name + ", which is not a throwable");
        return JNI_ERR;
    }
    if (!c.usable()) return JNI_ERR;
    std::u16string text = message ? fromModifiedUtf8(message) : std::u16string();
    c.env()->pending = new ThrowableObject(cls, message ? &text : nullptr, "testvm.JNI.ThrowNew(Native Method)");
    return JNI_OK;
}

jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
    Call c(env, "ExceptionOccurred", true);
    if (!c.usable()) return nullptr;
    return static_cast<jthrowable>(c.local(c.env()->pending));
}

jboolean JNICALL ExceptionCheck(JNIEnv* env) {
    Call c(env, "ExceptionCheck", true);
    return (c.usable() && c.env()->pending) ? JNI_TRUE : JNI_FALSE;
}

void JNICALL ExceptionDescribe(JNIEnv* env) {
    Call c(env, "ExceptionDescribe", true);
    if (!c.usable() || !c.env()->pending) return;
    ThrowableObject* t = c.env()->pending;
    c.env()->pending = nullptr;  // printStackTrace runs without it, as in real VMs
    log("ExceptionDescribe " + describe(t));
    printStackTrace(t, systemErr(), "Exception in thread \"" + c.env()->name + "\" ");
}

void JNICALL ExceptionClear(JNIEnv* env) {
    Call c(env, "ExceptionClear", true);
    if (c.usable()) c.env()->pending = nullptr;
}

// ---------------------------------------------------------------- references

jobject JNICALL NewGlobalRef(JNIEnv* env, jobject obj) {
    Call c(env, "NewGlobalRef");
    return newGlobalRef(c.object(obj));
}

void JNICALL DeleteGlobalRef(JNIEnv* env, jobject obj) {
    Call c(env, "DeleteGlobalRef", true);
    deleteGlobalRef(c, obj);
}

void JNICALL DeleteLocalRef(JNIEnv* env, jobject obj) {
    Call c(env, "DeleteLocalRef", true);
    deleteLocalRef(c, obj);
}

// ---------------------------------------------------------------- strings

std::set<const void*>& utfBuffers() {
    static std::set<const void*> all;
    return all;
}
std::set<const void*>& charBuffers() {
    static std::set<const void*> all;
    return all;
}

const StringObject* stringArg(Call& c, jstring str) {
    Object* o = c.object(str);
    if (!o) {
        if (!str) c.fail("called with a null string");
        return nullptr;
    }
    if (o->kind != Kind::String) {
        c.fail("called with a " + o->cls->name + ", not a string");
        return nullptr;
    }
    return static_cast<const StringObject*>(o);
}

jstring JNICALL NewStringUTF(JNIEnv* env, const char* utf) {
    Call c(env, "NewStringUTF");
    if (!utf) return nullptr;
    return static_cast<jstring>(c.local(new StringObject(fromModifiedUtf8(utf))));
}

jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
    Call c(env, "NewString");
    if (length < 0 || (!chars && length > 0)) {
        c.fail("called with an invalid buffer");
        return nullptr;
    }
    return static_cast<jstring>(c.local(new StringObject(std::u16string(reinterpret_cast<const char16_t*>(chars), length))));
}

jsize JNICALL GetStringLength(JNIEnv* env, jstring str) {
    Call c(env, "GetStringLength");
    const StringObject* s = stringArg(c, str);
    return s ? static_cast<jsize>(s->text.size()) : 0;
}

jsize JNICALL GetStringUTFLength(JNIEnv* env, jstring str) {
    Call c(env, "GetStringUTFLength");
    const StringObject* s = stringArg(c, str);
    return s ? static_cast<jsize>(modifiedUtf8(s->text).size()) : 0;
}

const char* JNICALL GetStringUTFChars(JNIEnv* env, jstring str, jboolean* isCopy) {
    Call c(env, "GetStringUTFChars");
    const StringObject* s = stringArg(c, str);
    if (!s) return nullptr;
    std::string text = modifiedUtf8(s->text);
    // -Dtestvm.utfcharsfail=<text>: a string holding the text cannot be had, as
    // when a VM runs out of memory.
    const std::string failOn = property("testvm.utfcharsfail", "");
    if (!failOn.empty() && text.find(failOn) != std::string::npos) {
        raise(c.env(), "java/lang/OutOfMemoryError", "GetStringUTFChars", "testvm.Native.call(Native Method)");
        return nullptr;
    }
    char* buffer = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    utfBuffers().insert(buffer);
    if (isCopy) *isCopy = JNI_TRUE;
    return buffer;
}

void JNICALL ReleaseStringUTFChars(JNIEnv* env, jstring str, const char* chars) {
    Call c(env, "ReleaseStringUTFChars", true);
    stringArg(c, str);
    if (!utfBuffers().erase(chars)) {
        c.fail("called with a buffer that GetStringUTFChars did not give or that was released");
        return;
    }
    std::free(const_cast<char*>(chars));
}

const jchar* JNICALL GetStringChars(JNIEnv* env, jstring str, jboolean* isCopy) {
    Call c(env, "GetStringChars");
    const StringObject* s = stringArg(c, str);
    if (!s) return nullptr;
    jchar* buffer = static_cast<jchar*>(std::malloc((s->text.size() + 1) * sizeof(jchar)));
    std::memcpy(buffer, s->text.data(), s->text.size() * sizeof(jchar));
    buffer[s->text.size()] = 0;
    charBuffers().insert(buffer);
    if (isCopy) *isCopy = JNI_TRUE;
    return buffer;
}

void JNICALL ReleaseStringChars(JNIEnv* env, jstring str, const jchar* chars) {
    Call c(env, "ReleaseStringChars", true);
    stringArg(c, str);
    if (!charBuffers().erase(chars)) {
        c.fail("called with a buffer that GetStringChars did not give or that was released");
        return;
    }
    std::free(const_cast<jchar*>(chars));
}

// ---------------------------------------------------------------- arrays

std::string outOfBounds(long long index, size_t length) {
    return "Index " + number(index) + " out of bounds for length " + number(static_cast<long long>(length));
}

jsize JNICALL GetArrayLength(JNIEnv* env, jarray array) {
    Call c(env, "GetArrayLength");
    Object* o = c.object(array);
    if (o && o->kind == Kind::CharArray) return static_cast<jsize>(static_cast<CharArrayObject*>(o)->items.size());
    if (o && o->kind == Kind::ObjectArray) return static_cast<jsize>(static_cast<ObjectArrayObject*>(o)->items.size());
    c.fail("called without an array");
    return 0;
}

jcharArray JNICALL NewCharArray(JNIEnv* env, jsize length) {
    Call c(env, "NewCharArray");
    if (length < 0) {
        raise(c.env(), "java/lang/NegativeArraySizeException", number(length), "testvm.JNI.NewCharArray(Native Method)");
        return nullptr;
    }
    return static_cast<jcharArray>(c.local(new CharArrayObject(static_cast<size_t>(length))));
}

void JNICALL SetCharArrayRegion(JNIEnv* env, jcharArray array, jsize start, jsize length, const jchar* buffer) {
    Call c(env, "SetCharArrayRegion");
    Object* o = c.object(array);
    if (!o || o->kind != Kind::CharArray) {
        c.fail("called without a char array");
        return;
    }
    auto& items = static_cast<CharArrayObject*>(o)->items;
    if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > items.size()) {
        raise(c.env(), "java/lang/ArrayIndexOutOfBoundsException",
              "Array region " + number(start) + ".." + number(static_cast<long long>(start) + length) +
                  " out of bounds for length " + number(static_cast<long long>(items.size())),
              "testvm.JNI.SetCharArrayRegion(Native Method)");
        return;
    }
    if (length > 0 && !buffer) {
        c.fail("called with a null buffer");
        return;
    }
    for (jsize i = 0; i < length; ++i) items[static_cast<size_t>(start + i)] = buffer[i];
}

jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject initial) {
    Call c(env, "NewObjectArray");
    const ClassInfo* element = c.cls(elementClass);
    if (!element) return nullptr;
    Object* init = c.object(initial);
    if (length < 0) {
        raise(c.env(), "java/lang/NegativeArraySizeException", number(length), "testvm.JNI.NewObjectArray(Native Method)");
        return nullptr;
    }
    if (init && !isSubclass(init->cls, element)) {
        raise(c.env(), "java/lang/ArrayStoreException", init->cls->dottedName(), "testvm.JNI.NewObjectArray(Native Method)");
        return nullptr;
    }
    auto* a = new ObjectArrayObject(arrayClassOf(element), static_cast<size_t>(length));
    for (Object*& item : a->items) item = init;
    return static_cast<jobjectArray>(c.local(a));
}

ObjectArrayObject* objectArray(Call& c, jobjectArray array) {
    Object* o = c.object(array);
    if (!o || o->kind != Kind::ObjectArray) {
        c.fail("called without an object array");
        return nullptr;
    }
    return static_cast<ObjectArrayObject*>(o);
}

void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
    Call c(env, "SetObjectArrayElement");
    ObjectArrayObject* a = objectArray(c, array);
    if (!a) return;
    Object* v = c.object(value);
    if (value && !v) return;
    if (index < 0 || static_cast<size_t>(index) >= a->items.size()) {
        raise(c.env(), "java/lang/ArrayIndexOutOfBoundsException", outOfBounds(index, a->items.size()),
              "testvm.JNI.SetObjectArrayElement(Native Method)");
        return;
    }
    if (v && !isSubclass(v->cls, a->cls->element)) {
        raise(c.env(), "java/lang/ArrayStoreException", v->cls->dottedName(),
              "testvm.JNI.SetObjectArrayElement(Native Method)");
        return;
    }
    a->items[static_cast<size_t>(index)] = v;
}

jobject JNICALL GetObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
    Call c(env, "GetObjectArrayElement");
    ObjectArrayObject* a = objectArray(c, array);
    if (!a) return nullptr;
    if (index < 0 || static_cast<size_t>(index) >= a->items.size()) {
        raise(c.env(), "java/lang/ArrayIndexOutOfBoundsException", outOfBounds(index, a->items.size()),
              "testvm.JNI.GetObjectArrayElement(Native Method)");
        return nullptr;
    }
    return c.local(a->items[static_cast<size_t>(index)]);
}

// ---------------------------------------------------------------- the table

template <size_t Index>
void JNICALL unimplemented() {
    fatal("unimplemented JNI function " + number(static_cast<long long>(Index)), 99);
}

constexpr size_t kSlots = sizeof(JNINativeInterface_) / sizeof(void*);
static_assert(sizeof(JNINativeInterface_) % sizeof(void*) == 0, "the table is an array of pointers");

template <size_t... I>
void fillUnimplemented(void** slots, std::index_sequence<I...>) {
    ((slots[I] = reinterpret_cast<void*>(&unimplemented<I>)), ...);
}

JNINativeInterface_ makeTable() {
    void* slots[kSlots];
    fillUnimplemented(slots, std::make_index_sequence<kSlots>{});
    JNINativeInterface_ t;
    std::memcpy(static_cast<void*>(&t), slots, sizeof t);
    t.GetVersion = GetVersion;
    t.FindClass = FindClass;
    t.Throw = Throw;
    t.ThrowNew = ThrowNew;
    t.ExceptionOccurred = ExceptionOccurred;
    t.ExceptionDescribe = ExceptionDescribe;
    t.ExceptionClear = ExceptionClear;
    t.ExceptionCheck = ExceptionCheck;
    t.NewGlobalRef = NewGlobalRef;
    t.DeleteGlobalRef = DeleteGlobalRef;
    t.DeleteLocalRef = DeleteLocalRef;
    t.IsSameObject = IsSameObject;
    t.NewObject = NewObject;
    t.NewObjectV = NewObjectV;
    t.NewObjectA = NewObjectA;
    t.GetObjectClass = GetObjectClass;
    t.IsInstanceOf = IsInstanceOf;
    t.GetMethodID = GetMethodID;
    t.CallObjectMethod = CallObjectMethod;
    t.CallObjectMethodV = CallObjectMethodV;
    t.CallObjectMethodA = CallObjectMethodA;
    t.CallVoidMethod = CallVoidMethod;
    t.CallVoidMethodV = CallVoidMethodV;
    t.CallVoidMethodA = CallVoidMethodA;
    t.GetStaticMethodID = GetStaticMethodID;
    t.CallStaticIntMethod = CallStaticIntMethod;
    t.CallStaticIntMethodV = CallStaticIntMethodV;
    t.CallStaticIntMethodA = CallStaticIntMethodA;
    t.CallStaticObjectMethod = CallStaticObjectMethod;
    t.CallStaticObjectMethodV = CallStaticObjectMethodV;
    t.CallStaticObjectMethodA = CallStaticObjectMethodA;
    t.CallStaticVoidMethod = CallStaticVoidMethod;
    t.CallStaticVoidMethodV = CallStaticVoidMethodV;
    t.CallStaticVoidMethodA = CallStaticVoidMethodA;
    t.NewString = NewString;
    t.GetStringLength = GetStringLength;
    t.GetStringChars = GetStringChars;
    t.ReleaseStringChars = ReleaseStringChars;
    t.NewStringUTF = NewStringUTF;
    t.GetStringUTFLength = GetStringUTFLength;
    t.GetStringUTFChars = GetStringUTFChars;
    t.ReleaseStringUTFChars = ReleaseStringUTFChars;
    t.GetArrayLength = GetArrayLength;
    t.NewObjectArray = NewObjectArray;
    t.GetObjectArrayElement = GetObjectArrayElement;
    t.SetObjectArrayElement = SetObjectArrayElement;
    t.NewCharArray = NewCharArray;
    t.SetCharArrayRegion = SetCharArrayRegion;
    return t;
}

}  // namespace

const JNINativeInterface_* nativeInterface() {
    static const JNINativeInterface_ table = makeTable();
    return &table;
}

size_t outstandingStringBuffers() {
    Lock lock;
    return utfBuffers().size() + charBuffers().size();
}

}  // namespace testvm
