#include "support/ui_support.h"

#include "support/process.h"

namespace ui_test {

HWND waitForWindow(const std::function<HWND()>& find, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND w = find();
        if (w) return w;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(20);
    }
}

bool waitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > timeoutMs) return condition();
        Sleep(20);
    }
}

std::wstring windowText(HWND window) {
    wchar_t buffer[1024] = {};
    GetWindowTextW(window, buffer, 1024);
    return buffer;
}

std::wstring controlText(HWND control) {
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
    return buffer;
}

std::wstring windowClass(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

namespace {

struct Search {
    std::function<bool(HWND)> match;
    HWND found = nullptr;
};

BOOL CALLBACK visit(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    if (s->match(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND searchTopLevel(const std::function<bool(HWND)>& match) {
    Search s;
    s.match = match;
    EnumWindows(visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND searchChildren(HWND parent, const std::function<bool(HWND)>& match) {
    Search s;
    s.match = match;
    EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

}  // namespace

HWND findThreadWindow(DWORD threadId, const std::wstring& caption) {
    return searchTopLevel([&](HWND w) {
        return GetWindowThreadProcessId(w, nullptr) == threadId && IsWindowVisible(w) && windowText(w) == caption;
    });
}

HWND findWindowOfExecutable(const std::wstring& exePath, const std::wstring& caption) {
    return searchTopLevel([&](HWND w) {
        if (!IsWindowVisible(w) || windowText(w) != caption) return false;
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process) return false;
        wchar_t image[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        bool same = QueryFullProcessImageNameW(process, 0, image, &size) && lstrcmpiW(image, exePath.c_str()) == 0;
        CloseHandle(process);
        return same;
    });
}

HWND findOwnedDialog(HWND owner, HWND except) {
    return searchTopLevel([&](HWND w) {
        return w != except && GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w) && windowClass(w) == L"#32770";
    });
}

HWND findChildWithText(HWND parent, const std::wstring& text) {
    return searchChildren(parent, [&](HWND w) { return controlText(w) == text; });
}

HWND findChildOfClass(HWND parent, const std::wstring& wanted) {
    return searchChildren(parent, [&](HWND w) { return lstrcmpiW(windowClass(w).c_str(), wanted.c_str()) == 0; });
}

namespace {

Image fromBitmap(HDC memory, HBITMAP bitmap, int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    image.pixels.resize(static_cast<size_t>(width) * height);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), image.pixels.data(), &info, DIB_RGB_COLORS);
    for (uint32_t& p : image.pixels) p &= 0x00FFFFFF;
    return image;
}

}  // namespace

Image captureScreen(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    Image image = fromBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

Image printClient(HWND window) {
    RECT r;
    GetClientRect(window, &r);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    FillRect(memory, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
    SelectObject(memory, old);
    Image image = fromBitmap(memory, bitmap, r.right, r.bottom);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

int longestRun(const Image& image, uint32_t color, const RECT* r, int* row) {
    RECT all = {0, 0, image.width, image.height};
    if (!r) r = &all;
    int best = 0;
    for (int y = r->top < 0 ? 0 : r->top; y < r->bottom && y < image.height; ++y) {
        int run = 0;
        for (int x = r->left < 0 ? 0 : r->left; x < r->right && x < image.width; ++x) {
            run = image.at(x, y) == color ? run + 1 : 0;
            if (run > best) {
                best = run;
                if (row) *row = y;
            }
        }
    }
    return best;
}

namespace {

uint32_t crc32(const unsigned char* data, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void putBig32(std::vector<unsigned char>& out, uint32_t v) {
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void putChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
    putBig32(out, static_cast<uint32_t>(data.size()));
    std::vector<unsigned char> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBig32(out, crc32(body.data(), body.size()));
}

}  // namespace

bool savePng(const std::wstring& path, const Image& image) {
    // Raw rows (filter 0, RGB), stored in uncompressed deflate blocks.
    std::vector<unsigned char> raw;
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.at(x, y);
            raw.push_back(static_cast<unsigned char>(p >> 16));
            raw.push_back(static_cast<unsigned char>(p >> 8));
            raw.push_back(static_cast<unsigned char>(p));
        }
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos;
        if (n > 65535) n = 65535;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(pos), raw.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    putBig32(z, (b << 16) | a);

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    putBig32(header, static_cast<uint32_t>(image.width));
    putBig32(header, static_cast<uint32_t>(image.height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", z);
    putChunk(png, "IEND", {});
    return testing_support::writeTextFile(path, std::string(png.begin(), png.end()));
}

std::wstring screenshotFolder() {
    // The work folder is <build>/test-work; screenshots go beside it.
    std::wstring work = testing_support::workRoot();
    return work.substr(0, work.find_last_of(L'\\')) + L"\\screenshots";
}

RegistryValueGuard::RegistryValueGuard(const std::wstring& keyPath, const std::wstring& name)
    : keyPath_(keyPath), name_(name) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        DWORD size = 0;
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            hadValue_ = RegQueryValueExW(key, name.c_str(), nullptr, &type_, data_.data(), &size) == ERROR_SUCCESS;
        }
        RegCloseKey(key);
    }
}

RegistryValueGuard::~RegistryValueGuard() {
    if (hadValue_) {
        setRaw(type_, data_.data(), static_cast<DWORD>(data_.size()));
    } else {
        remove();
    }
}

void RegistryValueGuard::setString(const std::wstring& value, DWORD type) {
    setRaw(type, value.c_str(), static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegistryValueGuard::setRaw(DWORD type, const void* data, DWORD size) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    RegSetValueExW(key, name_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void RegistryValueGuard::remove() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) return;
    RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

}  // namespace ui_test
