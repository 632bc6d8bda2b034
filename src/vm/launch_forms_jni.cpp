#include "vm/launch_forms.h"

#include "base/paths.h"
#include "base/text.h"
#include "base/trace.h"
#include "resources/resource.h"
#include "vm/java_calls.h"
#include "vm/jni_support.h"

namespace {

// java.lang.reflect.Modifier
constexpr jint kStatic = 0x0008;
constexpr jint kPrivate = 0x0002;
constexpr jint kAbstract = 0x0400;

std::wstring dotted(const std::wstring& name) { return replaceAll(name, L'/', L'.'); }

jvalue objectValue(jobject object) {
    jvalue value;
    value.l = object;
    return value;
}

// The object result of a method looked up by name: static on `cls` when
// `self` is null. Null when the method is missing or returns null; an
// exception is left pending.
jobject callObject(JNIEnv* env, jclass cls, jobject self, const char* name, const char* signature,
                   const jvalue* args = nullptr) {
    jmethodID id = self ? env->GetMethodID(cls, name, signature) : env->GetStaticMethodID(cls, name, signature);
    if (!id) return nullptr;
    jobject result = self ? env->CallObjectMethodA(self, id, args) : env->CallStaticObjectMethodA(cls, id, args);
    exceptionPending(env);  // looked at, as the checked JNI wants; left pending
    return result;
}

// The same on the object's own class.
jobject callOn(JNIEnv* env, jobject self, const char* name, const char* signature, const jvalue* args = nullptr) {
    LocalRef<jclass> cls(env, env->GetObjectClass(self));
    return callObject(env, cls.get(), self, name, signature, args);
}

// An int result of a method of the object's class without arguments; -1 on failure (left pending).
jint callInt(JNIEnv* env, jobject self, const char* name) {
    LocalRef<jclass> cls(env, env->GetObjectClass(self));
    jmethodID id = env->GetMethodID(cls.get(), name, "()I");
    if (!id) return -1;
    const jint result = env->CallIntMethodA(self, id, nullptr);
    return exceptionPending(env) ? -1 : result;
}

// The value of an Optional, or null.
jobject orNull(JNIEnv* env, jobject optional) {
    if (!optional) return nullptr;
    jvalue none = objectValue(nullptr);
    return callOn(env, optional, "orElse", "(Ljava/lang/Object;)Ljava/lang/Object;", &none);
}

// A Java string's text; empty for null.
std::wstring textOf(JNIEnv* env, jobject string) {
    return string ? wideText(env, static_cast<jstring>(string)) : std::wstring();
}

// The class named in the launcher's form, as main's class has always been found.
jclass findMainClass(JNIEnv* env, const std::wstring& mainClass, Failure& failure) {
    LocalRef<jstring> className(env, newJavaString(env, mainClass));
    if (!className) {
        failure = Failure(IDS_MAIN_CLASS_STRING, {mainClass});
        return nullptr;
    }
    bool converted = false;
    jclass cls = findClassNamed(env, className.get(), &converted);
    if (!converted) return nullptr;
    if (!cls) {
        describePendingException(env);
        failure = Failure(IDS_CLASS_NOT_FOUND, {mainClass});
    }
    return cls;
}

// --- java -m ---------------------------------------------------------------------

// The main module from the boot layer, its main class from the descriptor
// when the entry names none, loaded from the module as the java command does.
jclass loadModuleClass(JNIEnv* env, const ProgramEntry& entry, std::wstring& mainClass, Failure& failure) {
    LocalRef<jclass> layers(env, env->FindClass("java/lang/ModuleLayer"));
    if (!layers) {
        clearPending(env);
        failure = Failure(IDS_MODULE_NEEDS_JAVA_9, {L"older than 9"});
        return nullptr;
    }
    const std::wstring& name = entry.mainModule;
    LocalRef<jobject> boot(env, callObject(env, layers.get(), nullptr, "boot", "()Ljava/lang/ModuleLayer;"));
    LocalRef<jstring> moduleName(env, boot ? newJavaString(env, name) : nullptr);
    jvalue nameArg = objectValue(moduleName.get());
    LocalRef<jobject> found(env, moduleName ? callOn(env, boot.get(), "findModule",
                                                     "(Ljava/lang/String;)Ljava/util/Optional;", &nameArg)
                                            : nullptr);
    LocalRef<jobject> module(env, exceptionPending(env) ? nullptr : orNull(env, found.get()));
    if (!module) {
        describePendingException(env);
        failure = Failure(IDS_MODULE_NOT_RESOLVED, {name});
        return nullptr;
    }
    std::wstring className = dotted(entry.mainClass);
    if (className.empty()) {
        LocalRef<jobject> descriptor(
            env, callOn(env, module.get(), "getDescriptor", "()Ljava/lang/module/ModuleDescriptor;"));
        LocalRef<jobject> declared(
            env, descriptor && !exceptionPending(env) ? callOn(env, descriptor.get(), "mainClass", "()Ljava/util/Optional;")
                                                      : nullptr);
        LocalRef<jobject> text(env, exceptionPending(env) ? nullptr : orNull(env, declared.get()));
        if (!exceptionPending(env)) className = textOf(env, text.get());
        describePendingException(env);
        if (className.empty()) {
            failure = Failure(IDS_MODULE_NO_MAIN_CLASS, {name, name});
            return nullptr;
        }
        trace(L"main module " + name + L": main class " + className + L" from its descriptor");
    }
    mainClass = replaceAll(className, L'.', L'/');
    LocalRef<jclass> classes(env, env->FindClass("java/lang/Class"));
    LocalRef<jstring> classText(env, classes ? newJavaString(env, className) : nullptr);
    jvalue args[2] = {objectValue(module.get()), objectValue(classText.get())};
    jclass cls = classText ? static_cast<jclass>(callObject(env, classes.get(), nullptr, "forName",
                                                            "(Ljava/lang/Module;Ljava/lang/String;)Ljava/lang/Class;", args))
                           : nullptr;
    if (exceptionPending(env) || !cls) {
        describePendingException(env);
        if (cls) env->DeleteLocalRef(cls);
        failure = Failure(IDS_CLASS_NOT_IN_MODULE, {className, name});
        return nullptr;
    }
    // What the java command records for the program (and for tools that ask).
    LocalRef<jclass> system(env, env->FindClass("java/lang/System"));
    LocalRef<jstring> key(env, system ? newJavaString(env, L"jdk.module.main.class") : nullptr);
    if (key) {
        jvalue property[2] = {objectValue(key.get()), objectValue(classText.get())};
        LocalRef<jobject> old(env, callObject(env, system.get(), nullptr, "setProperty",
                                              "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;", property));
    }
    clearPending(env);
    return cls;
}

// --- java -jar ---------------------------------------------------------------------

// The main attributes of a JAR's manifest, read once.
class JarManifest {
public:
    JarManifest(JNIEnv* env, jstring path) : env_(env) {
        LocalRef<jclass> jars(env, env->FindClass("java/util/jar/JarFile"));
        jmethodID open = jars ? env->GetMethodID(jars.get(), "<init>", "(Ljava/lang/String;)V") : nullptr;
        if (!open) return;
        jvalue pathArg = objectValue(path);
        LocalRef<jobject> jar(env, env->NewObjectA(jars.get(), open, &pathArg));
        if (exceptionPending(env) || !jar) return;
        LocalRef<jobject> manifest(env, callOn(env, jar.get(), "getManifest", "()Ljava/util/jar/Manifest;"));
        if (manifest && !exceptionPending(env)) {
            attributes_ = callOn(env, manifest.get(), "getMainAttributes", "()Ljava/util/jar/Attributes;");
        }
        read_ = !exceptionPending(env);
        // A JarFile keeps its file open until it is closed.
        if (jmethodID close = env->GetMethodID(jars.get(), "close", "()V")) {
            LocalRef<jthrowable> pending(env, env->ExceptionOccurred());
            env->ExceptionClear();
            env->CallVoidMethodA(jar.get(), close, nullptr);
            clearPending(env);
            if (pending) env->Throw(pending.get());
        }
    }
    ~JarManifest() {
        if (attributes_) env_->DeleteLocalRef(attributes_);
    }
    JarManifest(const JarManifest&) = delete;
    JarManifest& operator=(const JarManifest&) = delete;
    // Whether the file could be opened and its manifest read (a JAR may have none).
    bool read() const { return read_; }
    // The attribute's value; false when the manifest has no such attribute.
    bool value(const wchar_t* name, std::wstring& value) const {
        if (!attributes_) return false;
        LocalRef<jstring> key(env_, newJavaString(env_, name));
        jvalue keyArg = objectValue(key.get());
        LocalRef<jobject> text(env_, key ? callOn(env_, attributes_, "getValue",
                                                  "(Ljava/lang/String;)Ljava/lang/String;", &keyArg)
                                         : nullptr);
        if (clearPending(env_) || !text) return false;
        value = textOf(env_, text.get());
        return true;
    }

private:
    JNIEnv* env_;
    jobject attributes_ = nullptr;
    bool read_ = false;
};

// Calls a static method that takes one string (and a boolean); false when the
// class or the method is missing (nothing pending) or it threw (described).
bool callStatic(JNIEnv* env, const char* className, const char* name, const char* signature, jstring text,
                bool flag, bool* missing = nullptr) {
    LocalRef<jclass> cls(env, env->FindClass(className));
    jmethodID id = cls ? env->GetStaticMethodID(cls.get(), name, signature) : nullptr;
    if (missing) *missing = !id;
    if (!id) {
        clearPending(env);
        return false;
    }
    jvalue args[2];
    args[0].l = text;
    args[1].z = flag ? JNI_TRUE : JNI_FALSE;
    env->CallStaticVoidMethodA(cls.get(), id, args);
    return !describePendingException(env);
}

// What the java command does with a main JAR's manifest, after it has its main
// class: the agent of Launcher-Agent-Class (when the runtime has
// java.instrument), Add-Exports and Add-Opens to the class path's unnamed
// module, Enable-Native-Access (JDK 22 and later).
Failure applyManifestAttributes(JNIEnv* env, const JarManifest& manifest, const std::wstring& jar, jstring jarText) {
    std::wstring value;
    if (manifest.value(L"Launcher-Agent-Class", value)) {
        bool missing = false;
        if (!callStatic(env, "sun/instrument/InstrumentationImpl", "loadAgent", "(Ljava/lang/String;)V", jarText, false,
                        &missing) &&
            !missing) {
            return Failure(IDS_JAR_ATTRIBUTE_FAILED, {L"Launcher-Agent-Class", jar});
        }
        if (missing) trace(L"main JAR: Launcher-Agent-Class left out, the runtime has no java.instrument");
    }
    const wchar_t* const moduleAttributes[] = {L"Add-Exports", L"Add-Opens"};
    for (const wchar_t* attribute : moduleAttributes) {
        if (!manifest.value(attribute, value)) continue;
        LocalRef<jstring> text(env, newJavaString(env, value));
        const bool open = attribute[4] == L'O';
        if (!text || !callStatic(env, "sun/launcher/LauncherHelper", "addExportsOrOpens", "(Ljava/lang/String;Z)V",
                                 text.get(), open)) {
            return Failure(IDS_JAR_ATTRIBUTE_FAILED, {attribute, jar});
        }
    }
    if (manifest.value(L"Enable-Native-Access", value)) {
        LocalRef<jclass> modules(env, env->FindClass("jdk/internal/module/Modules"));
        jmethodID enable =
            modules ? env->GetStaticMethodID(modules.get(), "addEnableNativeAccessToAllUnnamed", "()V") : nullptr;
        clearPending(env);
        // Runtimes before 22 do not know the attribute.
        if (enable) {
            if (trimWhitespace(value) != L"ALL-UNNAMED") return Failure(IDS_JAR_ATTRIBUTE_FAILED, {L"Enable-Native-Access", jar});
            env->CallStaticVoidMethodA(modules.get(), enable, nullptr);
            if (describePendingException(env)) return Failure(IDS_JAR_ATTRIBUTE_FAILED, {L"Enable-Native-Access", jar});
        }
    }
    return Failure();
}

jclass loadJarClass(JNIEnv* env, const ProgramEntry& entry, std::wstring& mainClass, Failure& failure) {
    const std::wstring& jar = entry.mainJar;
    LocalRef<jstring> jarText(env, newJavaString(env, jar));
    JarManifest manifest(env, jarText.get());
    if (!jarText || !manifest.read()) {
        describePendingException(env);
        failure = Failure(IDS_MAIN_JAR_UNREADABLE, {jar});
        return nullptr;
    }
    mainClass = entry.mainClass;
    std::wstring declared;
    if (mainClass.empty() && manifest.value(L"Main-Class", declared)) {
        mainClass = replaceAll(trimWhitespace(declared), L'.', L'/');
        trace(L"main JAR " + jar + L": main class " + mainClass + L" from its manifest");
    }
    if (mainClass.empty()) {
        failure = Failure(IDS_JAR_NO_MAIN_CLASS, {jar});
        return nullptr;
    }
    failure = applyManifestAttributes(env, manifest, jar, jarText.get());
    if (failure) return nullptr;
    return findMainClass(env, mainClass, failure);
}

// --- main methods -------------------------------------------------------------------

// The runtime's own search for a main method (JDK 21 and later); null when
// it has none or finds none. `everyForm`: the search of JDK 25 and later,
// which takes every form without --enable-preview. Nothing is pending afterwards.
jobject runtimeMainMethod(JNIEnv* env, jclass cls, bool& everyForm) {
    const char* const finders[] = {"jdk/internal/misc/MethodFinder", "jdk/internal/misc/MainMethodFinder"};
    for (const char* finder : finders) {
        LocalRef<jclass> finderClass(env, env->FindClass(finder));
        jmethodID find = finderClass ? env->GetStaticMethodID(finderClass.get(), "findMainMethod",
                                                              "(Ljava/lang/Class;)Ljava/lang/reflect/Method;")
                                     : nullptr;
        if (!find) {
            clearPending(env);
            continue;
        }
        everyForm = finder == finders[0];
        jvalue arg = objectValue(cls);
        jobject method = env->CallStaticObjectMethodA(finderClass.get(), find, &arg);
        // JDK 21 to 24 throw when there is none (or only preview forms without --enable-preview).
        if (clearPending(env) && method) {
            env->DeleteLocalRef(method);
            method = nullptr;
        }
        return method;
    }
    return nullptr;
}

// Whether the class has a main of the forms a newer runtime calls.
bool hasOtherMainForm(JNIEnv* env, jclass cls) {
    const bool found = env->GetMethodID(cls, "main", "([Ljava/lang/String;)V") || (clearPending(env), false) ||
                       env->GetMethodID(cls, "main", "()V") || (clearPending(env), false) ||
                       env->GetStaticMethodID(cls, "main", "()V");
    clearPending(env);
    return found;
}

// The constructor without arguments that an instance main is called through;
// null when there is none the java command would take.
jmethodID mainConstructor(JNIEnv* env, jclass cls) {
    LocalRef<jclass> classes(env, env->FindClass("java/lang/Class"));
    jmethodID modifiersOf = classes ? env->GetMethodID(classes.get(), "getModifiers", "()I") : nullptr;
    const jint classModifiers = modifiersOf ? env->CallIntMethodA(cls, modifiersOf, nullptr) : kAbstract;
    jmethodID constructor = nullptr;
    if (!clearPending(env) && !(classModifiers & kAbstract)) constructor = env->GetMethodID(cls, "<init>", "()V");
    if (!constructor) {
        clearPending(env);
        return nullptr;
    }
    LocalRef<jobject> reflected(env, env->ToReflectedMethod(cls, constructor, JNI_FALSE));
    const jint modifiers = reflected ? callInt(env, reflected.get(), "getModifiers") : -1;
    if (clearPending(env) || modifiers < 0 || (modifiers & kPrivate)) return nullptr;
    return constructor;
}

}  // namespace

jclass loadProgramClass(JNIEnv* env, const ProgramEntry& entry, std::wstring& mainClass, Failure& failure) {
    if (!entry.mainModule.empty()) return loadModuleClass(env, entry, mainClass, failure);
    if (!entry.mainJar.empty()) return loadJarClass(env, entry, mainClass, failure);
    mainClass = entry.mainClass;
    return findMainClass(env, mainClass, failure);
}

bool findMainMethod(JNIEnv* env, jclass cls, const std::wstring& mainClass, MainMethod& main, Failure& failure) {
    main = MainMethod();
    main.method = env->GetStaticMethodID(cls, "main", "([Ljava/lang/String;)V");
    if (main.method) return true;
    LocalRef<jthrowable> missing(env, env->ExceptionOccurred());
    env->ExceptionClear();
    bool everyForm = false;
    LocalRef<jobject> found(env, runtimeMainMethod(env, cls, everyForm));
    if (found) {
        main.method = env->FromReflectedMethod(found.get());
        const jint modifiers = callInt(env, found.get(), "getModifiers");
        const jint parameters = callInt(env, found.get(), "getParameterCount");
        if (!clearPending(env) && main.method && modifiers >= 0) {
            main.takesArguments = parameters != 0;
            trace(std::wstring(L"main method of ") + mainClass + L": " + (modifiers & kStatic ? L"static " : L"instance ") +
                  (main.takesArguments ? L"main(String[])" : L"main()"));
            if (modifiers & kStatic) return true;
            main.constructor = mainConstructor(env, cls);
            if (main.constructor) return true;
            failure = Failure(IDS_MAIN_NEEDS_CONSTRUCTOR, {mainClass});
            return false;
        }
    }
    // JDK 25's search knows every form; before it, a main of another form needs a newer runtime.
    const bool otherForm = !everyForm && hasOtherMainForm(env, cls);
    // A VM that reports the missing method as an exception has it described
    // first; the message says what the launcher was looking for.
    if (missing) {
        env->Throw(missing.get());
        env->ExceptionDescribe();
    }
    failure = otherForm ? Failure(IDS_MAIN_FORM_NEEDS_NEWER_JAVA, {mainClass}) : Failure(IDS_NO_MAIN_METHOD);
    return false;
}

void invokeMainMethod(JNIEnv* env, jclass cls, const MainMethod& main, jobjectArray arguments) {
    jvalue args[1];
    args[0].l = arguments;
    const jvalue* passed = main.takesArguments ? args : nullptr;
    if (!main.constructor) {
        // The form main has always been called in, for the static main(String[]).
        if (main.takesArguments) {
            env->CallStaticVoidMethod(cls, main.method, arguments);
        } else {
            env->CallStaticVoidMethodA(cls, main.method, passed);
        }
        return;
    }
    LocalRef<jobject> instance(env, env->NewObjectA(cls, main.constructor, nullptr));
    if (exceptionPending(env) || !instance) return;
    env->CallVoidMethodA(instance.get(), main.method, passed);
}
