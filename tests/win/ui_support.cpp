#include "ui_support.h"

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

namespace {

std::wstring className(HWND window) {
    wchar_t buffer[256] = {};
    GetClassNameW(window, buffer, 256);
    return buffer;
}

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

HWND findProcessWindow(DWORD processId, const std::wstring& caption) {
    return searchTopLevel([&](HWND w) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        return pid == processId && IsWindowVisible(w) && windowText(w) == caption;
    });
}

HWND findOwnedDialog(HWND owner, HWND except) {
    return searchTopLevel([&](HWND w) {
        return w != except && GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w) && className(w) == L"#32770";
    });
}

HWND findChildWithText(HWND parent, const std::wstring& text) {
    return searchChildren(parent, [&](HWND w) { return windowText(w) == text; });
}

HWND findChildOfClass(HWND parent, const std::wstring& wanted) {
    return searchChildren(parent, [&](HWND w) { return lstrcmpiW(className(w).c_str(), wanted.c_str()) == 0; });
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

namespace {

// WM_PRINT does not reach children here, so they are printed one by one,
// bottom of the z-order first, each at its place inside `origin`'s picture.
void printTree(HWND window, HDC dc, POINT origin, UINT flags) {
    POINT old;
    SetViewportOrgEx(dc, origin.x, origin.y, &old);
    SendMessageW(window, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
    RECT windowRect;
    GetWindowRect(window, &windowRect);
    POINT clientOrigin = {0, 0};
    ClientToScreen(window, &clientOrigin);
    for (HWND child = GetWindow(GetWindow(window, GW_CHILD), GW_HWNDLAST); child; child = GetWindow(child, GW_HWNDPREV)) {
        if (!IsWindowVisible(child)) continue;
        RECT r;
        GetWindowRect(child, &r);
        POINT at = {origin.x + (r.left - windowRect.left), origin.y + (r.top - windowRect.top)};
        printTree(child, dc, at, PRF_CLIENT | PRF_NONCLIENT | PRF_ERASEBKGND);
    }
    (void)clientOrigin;
}

}  // namespace

Image printWindow(HWND window, bool withFrame) {
    RECT r;
    GetWindowRect(window, &r);
    int width = r.right - r.left;
    int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    POINT origin = {0, 0};
    printTree(window, memory, origin, PRF_CLIENT | PRF_ERASEBKGND | PRF_NONCLIENT);
    SelectObject(memory, old);
    Image image = fromBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (withFrame) return image;
    RECT client;
    GetClientRect(window, &client);
    POINT clientOrigin = {0, 0};
    ClientToScreen(window, &clientOrigin);
    RECT inside = {clientOrigin.x - r.left, clientOrigin.y - r.top, clientOrigin.x - r.left + client.right,
                   clientOrigin.y - r.top + client.bottom};
    return crop(image, inside);
}

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

Image crop(const Image& image, const RECT& r) {
    Image out;
    LONG left = r.left < 0 ? 0 : r.left;
    LONG top = r.top < 0 ? 0 : r.top;
    LONG right = r.right > image.width ? image.width : r.right;
    LONG bottom = r.bottom > image.height ? image.height : r.bottom;
    if (right <= left || bottom <= top) return out;
    out.width = right - left;
    out.height = bottom - top;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) out.pixels.push_back(image.at(x, y));
    }
    return out;
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
