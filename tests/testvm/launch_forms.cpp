// The launch forms in the test VM: a boot layer of the modules that
// -Dtestvm.modules lists (name or name:main.Class, comma-separated), with
// ModuleLayer, Optional, Module, ModuleDescriptor and Class.forName(Module,
// String), and main JARs whose manifest is the file's own text (JarFile,
// Manifest, Attributes). A -Djdk.module.main of a module not listed fails the
// boot layer as HotSpot's does: its reason on standard output, the abort
// hook, exit code 1.
#include "vm.h"

namespace testvm {
namespace {

// A value of these classes: a name or a text, and for an Optional what it holds.
struct ValueObject : Object {
    ValueObject(const char* className, std::string v, Object* held = nullptr)
        : Object(Kind::Plain, classNamed(className)), value(std::move(v)), ref(held) {}
    std::string value;
    Object* ref;
};

std::string text(const Object* o) { return o ? utf8(static_cast<const StringObject*>(o)->text) : std::string(); }
const std::string& valueOf(const Frame& f) { return static_cast<const ValueObject*>(f.self)->value; }

// The main class of a listed module ("" when it has none); false when it is not listed.
bool listedModule(const std::string& name, std::string& mainClass) {
    const std::string list = "," + property("testvm.modules", "") + ",";
    size_t at = list.find("," + name);
    while (at != std::string::npos && list[at + 1 + name.size()] != ',' && list[at + 1 + name.size()] != ':')
        at = list.find("," + name, at + 1);
    if (at == std::string::npos) return false;
    const size_t end = list.find(',', at + 1);
    const size_t colon = at + 1 + name.size();
    mainClass = list[colon] == ':' ? list.substr(colon + 1, end - colon - 1) : std::string();
    return true;
}

void layerBoot(Frame& f) { f.result = new ValueObject("java/lang/ModuleLayer", ""); }
void layerFindModule(Frame& f) {
    std::string mainClass;
    const std::string name = text(f.objects[0]);
    f.result = new ValueObject("java/util/Optional", "",
                               listedModule(name, mainClass) ? new ValueObject("java/lang/Module", name) : nullptr);
}
void optionalOrElse(Frame& f) {
    Object* held = static_cast<ValueObject*>(f.self)->ref;
    f.result = held ? held : f.objects[0];
}
void moduleDescriptor(Frame& f) { f.result = new ValueObject("java/lang/module/ModuleDescriptor", valueOf(f)); }
void descriptorMainClass(Frame& f) {
    std::string mainClass;
    listedModule(valueOf(f), mainClass);
    f.result = new ValueObject("java/util/Optional", "", mainClass.empty() ? nullptr : new StringObject(utf16(mainClass)));
}
void classForName(Frame& f) {
    std::string name = text(f.objects[1]);
    for (char& c : name) c = c == '.' ? '/' : c;
    log("Class.forName " + static_cast<const ValueObject*>(f.objects[0])->value + " " + name);
    const ClassInfo* cls = name.compare(0, 5, "test/") == 0 ? lookupClass(name) : nullptr;
    f.result = cls ? cls->object : nullptr;
}
void systemSetProperty(Frame& f) { setProperty(text(f.objects[0]), text(f.objects[1])); }

void jarOpen(Frame& f) {
    const std::u16string path = static_cast<const StringObject*>(f.objects[0])->text;
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        raise(f.env, "java/io/FileNotFoundException", utf8(path), "java.util.zip.ZipFile.open(ZipFile.java)");
        return;
    }
    std::string bytes(65536, '\0');
    DWORD read = 0;
    ReadFile(h, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(h);
    bytes.resize(read);
    log("JarFile " + utf8(path));
    f.result = new ValueObject("java/util/jar/JarFile", bytes);
}
void jarManifest(Frame& f) {
    if (!valueOf(f).empty()) f.result = new ValueObject("java/util/jar/Manifest", valueOf(f));
}
void jarClose(Frame&) {}
void manifestAttributes(Frame& f) { f.result = new ValueObject("java/util/jar/Attributes", valueOf(f)); }
void attributesValue(Frame& f) {
    const std::string& lines = valueOf(f);
    const std::string key = text(f.objects[0]) + ": ";
    for (size_t at = 0; at < lines.size();) {
        size_t end = lines.find('\n', at);
        if (end == std::string::npos) end = lines.size();
        std::string line = lines.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, key.size(), key) == 0) {
            f.result = new StringObject(utf16(line.substr(key.size())));
            return;
        }
        at = end + 1;
    }
}

}  // namespace

void defineLaunchFormClasses() {
    ClassInfo* layer = defineClass("java/lang/ModuleLayer", "java/lang/Object");
    defineMethod(layer, "boot", "()Ljava/lang/ModuleLayer;", true, layerBoot);
    defineMethod(layer, "findModule", "(Ljava/lang/String;)Ljava/util/Optional;", false, layerFindModule);
    defineMethod(defineClass("java/util/Optional", "java/lang/Object"), "orElse",
                 "(Ljava/lang/Object;)Ljava/lang/Object;", false, optionalOrElse);
    defineMethod(defineClass("java/lang/Module", "java/lang/Object"), "getDescriptor",
                 "()Ljava/lang/module/ModuleDescriptor;", false, moduleDescriptor);
    defineMethod(defineClass("java/lang/module/ModuleDescriptor", "java/lang/Object"), "mainClass",
                 "()Ljava/util/Optional;", false, descriptorMainClass);
    defineMethod(defineClass("java/lang/Class", "java/lang/Object"), "forName",
                 "(Ljava/lang/Module;Ljava/lang/String;)Ljava/lang/Class;", true, classForName);
    defineMethod(defineClass("java/lang/System", "java/lang/Object"), "setProperty",
                 "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;", true, systemSetProperty);
    ClassInfo* jar = defineClass("java/util/jar/JarFile", "java/lang/Object");
    defineMethod(jar, "<init>", "(Ljava/lang/String;)V", false, jarOpen);
    defineMethod(jar, "getManifest", "()Ljava/util/jar/Manifest;", false, jarManifest);
    defineMethod(jar, "close", "()V", false, jarClose);
    defineMethod(defineClass("java/util/jar/Manifest", "java/lang/Object"), "getMainAttributes",
                 "()Ljava/util/jar/Attributes;", false, manifestAttributes);
    defineMethod(defineClass("java/util/jar/Attributes", "java/lang/Object"), "getValue",
                 "(Ljava/lang/String;)Ljava/lang/String;", false, attributesValue);
}

void checkBootLayer() {
    const std::string module = property("jdk.module.main", "");
    std::string mainClass;
    if (module.empty() || listedModule(module, mainClass)) return;
    const std::string reason =
        "Error occurred during initialization of boot layer\r\njava.lang.module.FindException: Module " + module +
        " not found\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), reason.data(), static_cast<DWORD>(reason.size()), &written, nullptr);
    log("boot layer failed: " + module);
    callAbortHook();
    ExitProcess(1);
}

}  // namespace testvm
