#include "app/lock_key_state.h"

#include <QtGui/qguiapplication_platform.h>
#include <dlfcn.h>

#include <QGuiApplication>

namespace {

// The few X library entry points needed, declared by hand so that building needs no X headers;
// the library itself is the one the xcb platform plugin loaded.
using XDisplayHandle = void;
using Atom = unsigned long;
using InternAtomFn = Atom (*)(XDisplayHandle*, const char*, int);
using GetNamedIndicatorFn = int (*)(XDisplayHandle*, Atom, int*, int*, void*, int*);

struct XkbFunctions {
    InternAtomFn internAtom = nullptr;
    GetNamedIndicatorFn getNamedIndicator = nullptr;
};

const XkbFunctions& Functions() {
    static const XkbFunctions functions = [] {
        XkbFunctions f;
        void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD);
        if (library == nullptr) return f;
        f.internAtom = reinterpret_cast<InternAtomFn>(dlsym(library, "XInternAtom"));
        f.getNamedIndicator =
            reinterpret_cast<GetNamedIndicatorFn>(dlsym(library, "XkbGetNamedIndicator"));
        return f;
    }();
    return functions;
}

XDisplayHandle* X11Display() {
#if QT_CONFIG(xcb)
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->display() : nullptr;
#else
    return nullptr;
#endif
}

}  // namespace

std::optional<LockKeyState> QueryLockKeyState() {
    XDisplayHandle* display = X11Display();
    const XkbFunctions& f = Functions();
    if (display == nullptr || f.internAtom == nullptr || f.getNamedIndicator == nullptr) {
        return std::nullopt;
    }
    auto indicator = [&](const char* name, bool& on) {
        const Atom atom = f.internAtom(display, name, 1 /* only if it exists */);
        if (atom == 0) return false;
        int state = 0;
        if (f.getNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr) == 0) {
            return false;
        }
        on = state != 0;
        return true;
    };
    LockKeyState keys;
    const bool caps = indicator("Caps Lock", keys.capsLock);
    const bool num = indicator("Num Lock", keys.numLock);
    indicator("Scroll Lock", keys.scrollLock);  // some keymaps have no scroll lock indicator
    if (!caps && !num) return std::nullopt;
    return keys;
}
